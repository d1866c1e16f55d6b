// One remote client's session: its error queue, its waveform choices, and the SCPI command table that
// turns each command into the document's setters and the menu handlers (through IRemoteHost). Runs on
// the GUI thread, one line at a time. Standard C++ only.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "document/user_notifier.h"
#include "remote/scpi_parser.h"

namespace tarnix {

class CTarnixDoc;
class IRemoteHost;

// The instrument's error queue: oldest first, at most ten entries; the tenth of a full queue becomes
// -350 "Queue overflow". Entries read `code,"text"` or `code,"text;detail"`.
class CErrorQueue {
public:
    static constexpr std::size_t kCapacity = 10;
    void Push(int code, std::string_view detail = {});
    // The oldest entry, removed; `0,"No error"` when empty.
    std::string Pop();
    void Clear() { entries_.clear(); }
    std::size_t Size() const { return entries_.size(); }

private:
    std::deque<std::string> entries_;
};

// The program's version as *IDN? reports it.
inline constexpr std::string_view kRemoteVersion = "7.0.0.2";

class CRemoteSession final : public IUserNotifier {
public:
    CRemoteSession(CTarnixDoc& doc, IRemoteHost& host);

    // Runs one line (without its newline) and appends the reply, if the line asked for one: the
    // answers joined by ';' and ended by '\n'. A line waiting in *OPC? for Autoset or a calibration
    // keeps its remaining commands; Resume continues it.
    void Feed(std::string_view line, std::string& reply);
    // True while a line waits; the caller must not Feed more until Resume has finished it.
    bool Waiting() const { return !pending_.empty(); }
    void Resume(std::string& reply);

    CErrorQueue& Errors() { return errors_; }

    // Messages that a handler would show in a box while this session's command runs: "Function not
    // available!" becomes -221, any other message (the file messages) -200 with the message's text.
    void ShowMessage(std::string_view caption, std::string_view text) override;

    // The reply of one query line as a whole (for tests and the benchmark): Feed on a fresh reply.
    std::string Query(std::string_view line);

    struct Call;
    using Handler = std::function<void(Call&)>;
    // One header: its mnemonic patterns ("#" ends one that takes a suffix, "[X]" may be left out) and
    // its handlers; an empty set handler makes it query-only, an empty query handler set-only.
    struct Entry {
        std::vector<std::string> path;
        Handler set;
        Handler query;
    };

private:
    void BuildTable();
    void Add(std::string_view path, Handler set, Handler query = {});
    void RunPending(std::string& reply);
    bool Busy() const;
    // Finds the entry for a command's nodes; suffixes in node order into `suffixes` (1 when omitted).
    const Entry* Find(const std::vector<scpi::Node>& nodes, std::vector<int>& suffixes) const;
    void Execute(const scpi::Command& command, std::vector<std::string>& answers);

    CTarnixDoc& doc_;
    IRemoteHost& host_;
    CErrorQueue errors_;
    std::vector<Entry> table_;
    std::vector<scpi::Node> lastPath_; // the previous command's header, for relative headers after ';'
    std::deque<scpi::Command> pending_;
    std::vector<std::string> pendingAnswers_;
    int waveformSource_ = 0; // 0 CH1, 1 CH2, 2 MATH, 3 REF
    bool waveformWord_ = false;
    bool hardcopySvg_ = false; // HCOPy:SDUMp:FORMat: what HCOPy:DATA? sends
};

} // namespace tarnix
