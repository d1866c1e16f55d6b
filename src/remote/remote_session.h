// One remote client's session: its error queue, its waveform choices, and the SCPI command table that
// turns each command into the document's setters and the menu handlers (through IRemoteHost). Runs on
// the GUI thread, one command at a time, so a long line never holds the window. Standard C++ only.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "datalog/measure_item.h"
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
    // The standard event status register's error bits that the pushed codes set, and *ESR?'s read.
    int events = 0;

private:
    std::deque<std::string> entries_;
};

// The program's version as *IDN? reports it, and the SCPI version SYSTem:VERSion? reports.
inline constexpr std::string_view kRemoteVersion = "7.0.0.2";
inline constexpr std::string_view kScpiVersion = "1999.0";

// How long *OPC?, *OPC, *WAI and DIGitize wait at most: this much plus two screen widths of the time
// base, counted once Autoset or a zero calibration has finished, which may take up to kBusyWaitMs.
inline constexpr std::int64_t kOperationWaitMs = 10000;
inline constexpr std::int64_t kBusyWaitMs = 300000;

// Standard event status register bits.
inline constexpr int kEsrOperationComplete = 0x01;
inline constexpr int kEsrQueryError = 0x04;
inline constexpr int kEsrDeviceError = 0x08;
inline constexpr int kEsrExecutionError = 0x10;
inline constexpr int kEsrCommandError = 0x20;

class CRemoteSession final : public IUserNotifier {
public:
    // `filesFolder`: the folder MMEMory paths are confined to; empty refuses every MMEMory path.
    CRemoteSession(CTarnixDoc& doc, IRemoteHost& host, std::string filesFolder = {});

    // Starts a line (without its newline); nothing else may be fed while LineInProgress().
    void Feed(std::string_view line);
    bool LineInProgress() const { return reader_.has_value(); }
    // Runs the line's next command, or looks again at a wait, and appends what the client is to receive:
    // each answer as it is produced (after a ';' when the line answered before), the newline at the
    // line's end. kIdle: no line is in progress (any line has ended); kRan: a command ran or a wait ended;
    // kWaiting: *OPC?, *OPC or *WAI waits for the instrument.
    enum class Progress { kIdle, kRan, kWaiting };
    Progress Step(std::string& reply);
    bool Waiting() const { return wait_.has_value(); }

    CErrorQueue& Errors() { return errors_; }

    // Messages that a handler would show in a box while this session's command runs: "Function not
    // available!" becomes -221, any other message (the file messages) -200 with the message's text.
    void ShowMessage(std::string_view caption, std::string_view text) override;

    // The reply of one line as far as it runs without waiting (for tests and the benchmark).
    std::string Query(std::string_view line);

    // Where an MMEMory path lands: inside the files folder, or nullopt (with an error queued) for a path
    // that is absolute, climbs with "..", or leads out through a symbolic link.
    std::optional<std::string> FilePath(std::string_view path);

    struct Call;
    using Handler = std::function<void(Call&)>;
    // One header: its mnemonic patterns ("#" ends one that takes a suffix, "[X]" may be left out) and
    // its handlers; an empty set handler makes it query-only, an empty query handler set-only. A set
    // form that changes only this session's own state runs even while a dialog waits for the user.
    struct Entry {
        std::vector<std::string> path;
        Handler set;
        Handler query;
        bool sessionOnly = false;
    };

private:
    // A *OPC?, *OPC or *WAI until the operations before it have completed.
    struct Wait {
        scpi::Command command;
        std::int64_t startMs = 0;
        std::int64_t spanMs = 0;
        std::int64_t deadlineMs = 0;
        bool digitize = false;    // DIGitize: stops the acquisition once complete
        bool settled = false;     // Autoset and calibration have finished; `target` is chosen
        std::uint64_t target = 0; // the first capture begun after the wait settled
    };

    void BuildTable();
    void BuildDatalogTable();
    void Add(std::string_view path, Handler set, Handler query = {}, bool sessionOnly = false);
    bool Busy() const;
    void StartWait(const scpi::Command& command, bool digitize);
    bool OperationsComplete(Wait& wait);
    void FinishWait(bool complete, std::string& reply);
    void Answer(std::string answer, std::string& reply);
    // Finds the entry for a command's nodes; suffixes in node order into `suffixes` (1 when omitted).
    const Entry* Find(const std::vector<scpi::Node>& nodes, std::vector<int>& suffixes) const;
    void Execute(const scpi::Command& command, std::string& reply);
    int StatusByte() const;

    CTarnixDoc& doc_;
    IRemoteHost& host_;
    std::string filesFolder_;
    CErrorQueue errors_;
    std::vector<Entry> table_;
    std::vector<scpi::Node> lastPath_; // the previous command's header, for relative headers after ';'
    std::string line_;
    std::optional<scpi::LineReader> reader_; // reads line_
    bool lineAnswered_ = false;
    std::optional<Wait> wait_;
    int eventEnable_ = 0;    // *ESE
    int serviceEnable_ = 0;  // *SRE
    int waveformSource_ = 0; // 0 CH1, 1 CH2, 2 MATH, 3 REF
    int waveformFormat_ = 0; // 0 ASCii, 1 WORD, 2 BYTE
    bool msbFirst_ = false;
    bool hardcopySvg_ = false; // HCOPy:SDUMp:FORMat: what HCOPy:DATA? sends
    // This client's choices for LOG:STARt.
    std::string logFile_;               // as the client wrote it, relative to the files folder
    std::vector<MeasureItem> logItems_; // empty: the measurements on the screen at the start
    double logInterval_ = 0.0;          // seconds; 0: a row per capture
};

} // namespace tarnix
