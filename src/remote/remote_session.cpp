#include "remote/remote_session.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <utility>

#include "analysis/analysis_inputs.h"
#include "analysis/measure_set.h"
#include "analysis/spectrum_engine.h"
#include "document/tarnix_doc.h"
#include "language/command_ids.h"
#include "model/instrument_settings.h"
#include "model/model_table.h"
#include "model/setting_rules.h"
#include "remote/remote_host.h"

namespace tarnix {

using scpi::Unit;

namespace {

constexpr std::array<std::string_view, 6> kModelNames = {"MV-A1 USB", "MV-A2 USB", "MV-A3 USB",
                                                         "MV-B1 USB", "MV-C1 USB", "MV-C1A USB"};

// Screen codes per division: 256 codes over 8 divisions.
constexpr double kCodesPerDiv = 32.0;
constexpr int kTracePoints = kMeasureTracePoints;

// The twenty measurement headers, in measurement-kind order.
constexpr std::array<std::string_view, kMeasureKindCount> kMeasureHeaders = {
    "VPP",      "VMAX",     "VMIN",  "VAMPlitude", "VTOP",     "VMID",   "VBASe",
    "VAVerage", "VCMean",   "VRMS",  "OVERshoot",  "PREShoot", "PERiod", "FREQuency",
    "RISetime", "FALLtime", "PDUTy", "NDUTy",      "PWIDth",   "NWIDth",
};

// Per channel CH1, CH2: the menu commands the remote channel commands run.
struct ChannelCommands {
    int turnOnOff;
    int voltsFirst;
    int couplingFirst;
    int probeFirst;
};
constexpr std::array<ChannelCommands, 2> kChannelCommands = {{
    {cmd::kCh1TurnOnOff, cmd::kCh1VoltsPerDivFirst, cmd::kCh1CouplingFirst, cmd::kCh1ProbeFirst},
    {cmd::kCh2TurnOnOff, cmd::kCh2VoltsPerDivFirst, cmd::kCh2CouplingFirst, cmd::kCh2ProbeFirst},
}};

constexpr std::array<int, 4> kProbeFactors = {1, 10, 100, 1000};

// Index of the table entry nearest to `value` on a log scale among the allowed ones; -1 when none is.
template <typename ValueOf, typename Allowed>
int NearestOnLogScale(double value, int count, ValueOf valueOf, Allowed allowed) {
    int best = -1;
    double bestDistance = 0.0;
    for (int i = 0; i < count; ++i) {
        const double entry = valueOf(i);
        if (!allowed(i) || entry <= 0.0) {
            continue;
        }
        const double distance = std::fabs(std::log(value / entry));
        if (best < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

void AppendWord(std::vector<std::uint8_t>& bytes, std::int16_t value, bool msbFirst) {
    const auto u = static_cast<std::uint16_t>(value);
    const auto low = static_cast<std::uint8_t>(u & 0xFF);
    const auto high = static_cast<std::uint8_t>(u >> 8);
    bytes.push_back(msbFirst ? high : low);
    bytes.push_back(msbFirst ? low : high);
}

// WAVeform:FORMat's choices and the preamble's format field of each.
constexpr int kFormatAscii = 0;
constexpr int kFormatByte = 2;
constexpr std::array<int, 3> kPreambleFormats = {4, 1, 0};

// "FREQuency" -> "FREQ": the short form the answers use.
std::string ShortForm(std::string_view pattern) {
    std::string text;
    std::copy_if(pattern.begin(), pattern.end(), std::back_inserter(text),
                 [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
    return text;
}

// The measurement kind a word such as "FREQ" or "vpp" names.
std::optional<int> MeasureKindOf(std::string_view word) {
    const auto found = std::ranges::find_if(
        kMeasureHeaders, [word](std::string_view header) { return scpi::MatchMnemonic(header, word); });
    return found == kMeasureHeaders.end()
               ? std::nullopt
               : std::optional<int>(static_cast<int>(found - kMeasureHeaders.begin()));
}

// A figure that does not exist yet (no value, or a deviation of fewer than two) reads as unmeasurable.
std::string FigureNr3(double value) {
    return scpi::FormatNr3(std::isfinite(value) ? value : scpi::kNotANumber);
}

} // namespace

// ---- Error queue --------------------------------------------------------------------------------

void CErrorQueue::Push(int code, std::string_view detail) {
    // The -1xx command, -2xx execution, -3xx device and -4xx query errors.
    constexpr std::array<int, 4> kBits = {kEsrCommandError, kEsrExecutionError, kEsrDeviceError,
                                          kEsrQueryError};
    if (code <= -100 && code > -500) {
        events |= kBits[static_cast<std::size_t>(-code / 100 - 1)];
    }
    std::string entry = scpi::FormatNr1(code) + ",\"" + std::string(scpi::ErrorText(code));
    if (!detail.empty()) {
        entry += ';';
        // A detail never breaks the quoting of the reply.
        for (char c : detail.substr(0, 200)) {
            entry.push_back(c == '"' ? '\'' : c);
        }
    }
    entry += '"';
    if (entries_.size() >= kCapacity) {
        return;
    }
    if (entries_.size() == kCapacity - 1) {
        entries_.push_back(scpi::FormatNr1(scpi::kQueueOverflow) + ",\"" +
                           std::string(scpi::ErrorText(scpi::kQueueOverflow)) + "\"");
        return;
    }
    entries_.push_back(std::move(entry));
}

std::string CErrorQueue::Pop() {
    if (entries_.empty()) {
        return "0,\"No error\"";
    }
    std::string entry = std::move(entries_.front());
    entries_.pop_front();
    return entry;
}

// ---- One command's call -------------------------------------------------------------------------

struct CRemoteSession::Call {
    const scpi::Command& command;
    std::vector<int> suffixes;
    CErrorQueue& errors;
    std::optional<std::string> answer;

    bool NoArgs() {
        if (!command.args.empty()) {
            errors.Push(scpi::kParameterNotAllowed);
            return false;
        }
        return true;
    }
    // The one argument of a command; errors for none or more.
    std::optional<std::string_view> OneArg() {
        if (command.args.empty() || command.args.front().empty()) {
            errors.Push(scpi::kMissingParameter);
            return std::nullopt;
        }
        if (command.args.size() > 1) {
            errors.Push(scpi::kParameterNotAllowed);
            return std::nullopt;
        }
        return command.args.front();
    }
    std::optional<double> Number(Unit unit) {
        const std::optional<std::string_view> arg = OneArg();
        if (!arg) {
            return std::nullopt;
        }
        bool badSuffix = false;
        const std::optional<double> value = scpi::ParseNumber(*arg, unit, &badSuffix);
        if (!value) {
            errors.Push(badSuffix ? scpi::kInvalidSuffix : scpi::kNumericDataError, *arg);
        }
        return value;
    }
    std::optional<bool> Bool() {
        const std::optional<std::string_view> arg = OneArg();
        if (!arg) {
            return std::nullopt;
        }
        const std::optional<bool> value = scpi::ParseBool(*arg);
        if (!value) {
            errors.Push(scpi::kIllegalParameterValue, *arg);
        }
        return value;
    }
    // The position of the argument among mnemonic patterns such as {"DC", "AC", "GND"}.
    std::optional<int> Choice(std::initializer_list<std::string_view> patterns) {
        const std::optional<std::string_view> arg = OneArg();
        if (!arg) {
            return std::nullopt;
        }
        int index = 0;
        for (std::string_view pattern : patterns) {
            if (scpi::MatchMnemonic(pattern, *arg)) {
                return index;
            }
            ++index;
        }
        errors.Push(scpi::kIllegalParameterValue, *arg);
        return std::nullopt;
    }
    // A source argument such as "CHANnel1", "MATH" or "REF": the position of the pattern it matches
    // among `names` (e.g. {"CHANnel1", "CHANnel2", "MATH"}; a digit in a pattern is its suffix).
    std::optional<int> Source(std::initializer_list<std::string_view> names, std::string_view arg) {
        scpi::ParsedLine parsed = scpi::ParseLine(arg);
        if (parsed.errorCode == 0 && parsed.commands.size() == 1 && parsed.commands[0].nodes.size() == 1 &&
            parsed.commands[0].args.empty() && !parsed.commands[0].query && !parsed.commands[0].common) {
            const scpi::Node& node = parsed.commands[0].nodes[0];
            int index = 0;
            for (std::string_view name : names) {
                std::size_t digits = name.size();
                while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9') {
                    --digits;
                }
                const int suffix =
                    digits == name.size() ? -1 : std::atoi(std::string(name.substr(digits)).c_str());
                if (scpi::MatchMnemonic(name.substr(0, digits), node.mnemonic) &&
                    (node.suffix == suffix || (suffix == 1 && node.suffix < 0))) {
                    return index;
                }
                ++index;
            }
        }
        errors.Push(scpi::kIllegalParameterValue, arg);
        return std::nullopt;
    }
    std::optional<int> Source(std::initializer_list<std::string_view> names) {
        const std::optional<std::string_view> arg = OneArg();
        if (!arg) {
            return std::nullopt;
        }
        return Source(names, *arg);
    }
    // The channel of a "CHANnel<n>" header node: 0 for CH1, 1 for CH2.
    std::optional<int> Channel(std::size_t suffixIndex = 0) {
        const int n = suffixIndex < suffixes.size() ? suffixes[suffixIndex] : 1;
        if (n != 1 && n != 2) {
            errors.Push(scpi::kHeaderSuffixOutOfRange);
            return std::nullopt;
        }
        return n - 1;
    }
    void Reply(std::string text) { answer = std::move(text); }
};

// ---- Session ------------------------------------------------------------------------------------

CRemoteSession::CRemoteSession(CTarnixDoc& doc, IRemoteHost& host, std::string filesFolder)
    : doc_(doc), host_(host), filesFolder_(std::move(filesFolder)) {
    BuildTable();
}

void CRemoteSession::ShowMessage(std::string_view /*caption*/, std::string_view text) {
    const bool refused = text == doc_.Text(kTextFunctionNotAvailable);
    errors_.Push(refused ? scpi::kSettingsConflict : scpi::kExecutionError, text);
}

bool CRemoteSession::Busy() const {
    return doc_.specialStep != -1 || doc_.calibrationStep != -1;
}

std::string CRemoteSession::Query(std::string_view line) {
    std::string reply;
    Feed(line);
    while (Step(reply) == Progress::kRan) {
    }
    return reply;
}

void CRemoteSession::Feed(std::string_view line) {
    if (reader_) {
        return;
    }
    // Clients that end their lines in CR LF are served like the others.
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (!scpi::IsText(line)) {
        errors_.Push(scpi::kInvalidCharacter);
        return;
    }
    line_.assign(line);
    reader_.emplace(line_);
    lineAnswered_ = false;
}

CRemoteSession::Progress CRemoteSession::Step(std::string& reply) {
    if (wait_) {
        const std::int64_t now = doc_.Clock().NowMs();
        if (Busy() && now - wait_->startMs < kBusyWaitMs) {
            // The wait's own time runs once Autoset or the calibration has finished.
            wait_->deadlineMs = now + wait_->spanMs;
        }
        if (OperationsComplete(*wait_)) {
            FinishWait(true, reply);
        } else if (now >= wait_->deadlineMs) {
            FinishWait(false, reply);
        } else {
            return Progress::kWaiting;
        }
        return Progress::kRan;
    }
    if (!reader_) {
        return Progress::kIdle;
    }
    scpi::Command command;
    int errorCode = 0;
    std::string errorDetail;
    if (!reader_->Next(command, errorCode, errorDetail)) {
        if (errorCode != 0) {
            errors_.Push(errorCode, errorDetail);
        }
        if (lineAnswered_) {
            reply += '\n';
        }
        reader_.reset();
        line_.clear();
        return Progress::kIdle;
    }
    Execute(command, reply);
    return wait_ ? Step(reply) : Progress::kRan;
}

void CRemoteSession::StartWait(const scpi::Command& command, bool digitize) {
    // A wait is bounded by a fixed time plus two screen widths of the time base, the longest a sweep
    // takes to fill the screen twice.
    const double screenMs = 10.0 * SecondsPerDiv(doc_.settings.timebase) * 1000.0;
    const std::int64_t now = doc_.Clock().NowMs();
    const std::int64_t span = kOperationWaitMs + static_cast<std::int64_t>(2.0 * screenMs);
    wait_ = Wait{command, now, span, now + span, digitize};
}

// Complete once Autoset and calibration have finished and then: stopped, the frames are shown under
// the settings in force; running, a capture begun after that moment has been processed (in Single
// sweep that capture also stops the acquisition, so the wait ends stopped).
bool CRemoteSession::OperationsComplete(Wait& wait) {
    if (Busy()) {
        return false;
    }
    const InstrumentSettings& s = doc_.settings;
    if (s.acquire.running == 0) {
        wait.settled = false;
        return !doc_.StoppedPassPending();
    }
    if (!wait.settled) {
        wait.settled = true;
        wait.target = doc_.captureSerial + 1;
    }
    return doc_.shownSerial >= wait.target;
}

void CRemoteSession::FinishWait(bool complete, std::string& reply) {
    const Wait wait = std::move(*wait_);
    wait_.reset();
    if (!complete) {
        errors_.Push(scpi::kExecutionError, "operation not complete: wait timed out");
    }
    if (wait.digitize) {
        if (complete && host_.CommandEnabled(cmd::kAcqStop)) {
            host_.ExecuteCommand(cmd::kAcqStop);
        }
    } else if (scpi::MatchMnemonic("OPC", wait.command.nodes[0].mnemonic)) {
        if (wait.command.query) {
            // A script must never wait out its own timeout: a wait that gave up answers 0.
            Answer(complete ? "1" : "0", reply);
        } else if (complete) {
            errors_.events |= kEsrOperationComplete;
        }
    }
}

void CRemoteSession::Answer(std::string answer, std::string& reply) {
    if (lineAnswered_) {
        reply += ';';
    }
    reply += answer;
    lineAnswered_ = true;
}

int CRemoteSession::StatusByte() const {
    constexpr int kErrorAvailable = 0x04;
    constexpr int kEventSummary = 0x20;
    constexpr int kRequestService = 0x40;
    int status = (errors_.Size() > 0 ? kErrorAvailable : 0) |
                 ((errors_.events & eventEnable_) != 0 ? kEventSummary : 0);
    if ((status & serviceEnable_ & ~kRequestService) != 0) {
        status |= kRequestService;
    }
    return status;
}

std::optional<std::string> CRemoteSession::FilePath(std::string_view text) {
    namespace fs = std::filesystem;
    const auto refuse = [this](std::string_view why) -> std::optional<std::string> {
        errors_.Push(scpi::kFileNameError, why);
        return std::nullopt;
    };
    const fs::path relative(text);
    if (filesFolder_.empty()) {
        return refuse("no remote file folder");
    }
    if (relative.is_absolute() || relative.has_root_name()) {
        return refuse("an absolute path; paths are relative to the remote file folder");
    }
    for (const fs::path& part : relative) {
        if (part == "..") {
            return refuse("\"..\" leaves the remote file folder");
        }
    }
    std::error_code error;
    fs::create_directories(filesFolder_, error);
    const fs::path root = fs::weakly_canonical(filesFolder_, error);
    if (error) {
        return refuse("the remote file folder cannot be used");
    }
    // Follows symbolic links, dangling ones included, to where a write would land.
    fs::path full = root / relative;
    fs::path resolved = fs::weakly_canonical(full, error);
    std::error_code missing; // a path not yet written is no error
    for (int hops = 0; !error && hops < 40 && fs::is_symlink(fs::symlink_status(full, missing)); ++hops) {
        const fs::path target = fs::read_symlink(full, error);
        full = target.is_absolute() ? target : full.parent_path() / target;
        resolved = fs::weakly_canonical(full, error);
    }
    const auto [rootEnd, ignored] = std::mismatch(root.begin(), root.end(), resolved.begin(), resolved.end());
    if (error || rootEnd != root.end() || resolved == root) {
        return refuse("the path leads out of the remote file folder");
    }
    return (root / relative).string();
}

void CRemoteSession::Add(std::string_view path, Handler set, Handler query, bool sessionOnly) {
    Entry entry;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t colon = path.find(':', start);
        const std::size_t end = colon == std::string_view::npos ? path.size() : colon;
        entry.path.emplace_back(path.substr(start, end - start));
        if (colon == std::string_view::npos) {
            break;
        }
        start = colon + 1;
    }
    entry.set = std::move(set);
    entry.query = std::move(query);
    entry.sessionOnly = sessionOnly;
    table_.push_back(std::move(entry));
}

namespace {
// Matches nodes against patterns from the given positions; "[X]" patterns may be left out.
bool MatchPath(const std::vector<std::string>& patterns, std::size_t p, const std::vector<scpi::Node>& nodes,
               std::size_t n, std::vector<int>& suffixes) {
    if (p == patterns.size()) {
        return n == nodes.size();
    }
    std::string_view pattern = patterns[p];
    const bool optional = pattern.front() == '[';
    if (optional) {
        pattern = pattern.substr(1, pattern.size() - 2);
        const std::size_t mark = suffixes.size();
        if (MatchPath(patterns, p + 1, nodes, n, suffixes)) {
            return true;
        }
        suffixes.resize(mark);
    }
    if (n == nodes.size()) {
        return false;
    }
    const bool takesSuffix = pattern.back() == '#';
    if (takesSuffix) {
        pattern.remove_suffix(1);
    }
    const scpi::Node& node = nodes[n];
    if (!scpi::MatchMnemonic(pattern, node.mnemonic) || (!takesSuffix && node.suffix >= 0)) {
        return false;
    }
    if (takesSuffix) {
        suffixes.push_back(node.suffix < 0 ? 1 : node.suffix);
    }
    const std::size_t mark = suffixes.size();
    if (MatchPath(patterns, p + 1, nodes, n + 1, suffixes)) {
        return true;
    }
    suffixes.resize(mark - (takesSuffix ? 1 : 0));
    return false;
}
} // namespace

const CRemoteSession::Entry* CRemoteSession::Find(const std::vector<scpi::Node>& nodes,
                                                  std::vector<int>& suffixes) const {
    for (const Entry& entry : table_) {
        suffixes.clear();
        if (MatchPath(entry.path, 0, nodes, 0, suffixes)) {
            return &entry;
        }
    }
    return nullptr;
}

void CRemoteSession::Execute(const scpi::Command& command, std::string& reply) {
    std::vector<scpi::Node> nodes = command.nodes;
    if (command.common) {
        nodes[0].mnemonic = "*" + nodes[0].mnemonic;
    }
    std::vector<int> suffixes;
    const Entry* entry = nullptr;
    // After ';' a header without a leading ':' continues the previous command's branch; a full path
    // is accepted too, as scripts often write one.
    if (!command.common && !command.absolute && lastPath_.size() > 1) {
        std::vector<scpi::Node> relative(lastPath_.begin(), lastPath_.end() - 1);
        relative.insert(relative.end(), nodes.begin(), nodes.end());
        entry = Find(relative, suffixes);
        if (entry != nullptr) {
            nodes = std::move(relative);
        }
    }
    if (entry == nullptr) {
        entry = Find(nodes, suffixes);
    }
    const Handler* handler = nullptr;
    if (entry != nullptr) {
        handler = command.query ? &entry->query : &entry->set;
    }
    if (handler == nullptr || !*handler) {
        std::string header;
        for (const scpi::Node& node : nodes) {
            header += (header.empty() ? "" : ":") + node.mnemonic +
                      (node.suffix >= 0 ? std::to_string(node.suffix) : "");
        }
        errors_.Push(scpi::kUndefinedHeader, header.substr(0, 60) + (command.query ? "?" : ""));
        return;
    }
    if (!command.common) {
        lastPath_ = nodes;
    }
    if (!command.query && !entry->sessionOnly && host_.ModalDialogOpen()) {
        // The person at the window has the program: a calibration or a file dialog must not see its
        // settings change under it.
        errors_.Push(scpi::kSettingsConflict, "a dialog is open");
        return;
    }
    Call call{command, std::move(suffixes), errors_, std::nullopt};
    (*handler)(call);
    if (call.answer) {
        Answer(std::move(*call.answer), reply);
    }
}

// ---- The command table --------------------------------------------------------------------------

void CRemoteSession::BuildTable() {
    InstrumentSettings& s = doc_.settings;
    const auto notAvailable = [this] {
        errors_.Push(scpi::kSettingsConflict, doc_.Text(kTextFunctionNotAvailable));
    };
    // A menu command as its item runs it; a disabled item is refused like the menu refuses it.
    const auto runMenu = [this, notAvailable](int command) {
        if (!host_.CommandEnabled(command)) {
            notAvailable();
            return false;
        }
        host_.ExecuteCommand(command);
        return true;
    };
    const auto model = [&s]() -> const ModelInfo& { return ModelTable(s.model); };

    // IEEE 488.2 common commands.
    Add("*IDN", {}, [this, &s](Call& c) {
        if (!c.NoArgs()) {
            return;
        }
        const std::string_view name = kModelNames[static_cast<std::size_t>(std::clamp<int>(s.model, 0, 5))];
        const std::string id = s.demoMode != 0
                                   ? std::string("DEMO")
                                   : std::to_string(doc_.link.deviceId[doc_.link.selectedSlot % kSlotCount]);
        c.Reply("Tarnix," + std::string(name) + "," + id + "," + std::string(kRemoteVersion));
    });
    Add("*RST", [runMenu](Call& c) {
        if (c.NoArgs()) {
            runMenu(cmd::kUtilFactorySetup);
        }
    });
    Add(
        "*CLS",
        [this](Call& c) {
            if (c.NoArgs()) {
                errors_.Clear();
                errors_.events = 0;
            }
        },
        {}, true);
    // The waits: see OperationsComplete.
    const auto startWait = [this](Call& c) {
        if (c.NoArgs()) {
            StartWait(c.command, false);
        }
    };
    Add("*OPC", startWait, startWait, true);
    Add("*WAI", startWait, {}, true);
    Add("DIGitize", [this, runMenu](Call& c) {
        if (c.NoArgs() && (doc_.settings.acquire.running != 0 || runMenu(cmd::kAcqStart))) {
            StartWait(c.command, true);
        }
    });
    // The status registers: *ESR? reads and clears the standard event status register.
    Add("*ESR", {}, [this](Call& c) {
        if (c.NoArgs()) {
            c.Reply(scpi::FormatNr1(errors_.events));
            errors_.events = 0;
        }
    });
    const auto mask = [this](int& field) {
        return [this, &field](Call& c) {
            const std::optional<double> value = c.Number(Unit::kNone);
            if (value && !(*value >= 0.0 && *value <= 255.0)) {
                errors_.Push(scpi::kDataOutOfRange);
            } else if (value) {
                field = static_cast<int>(std::lround(*value));
            }
        };
    };
    const auto maskQuery = [](const int& field) {
        return [&field](Call& c) {
            if (c.NoArgs()) {
                c.Reply(scpi::FormatNr1(field));
            }
        };
    };
    Add("*ESE", mask(eventEnable_), maskQuery(eventEnable_), true);
    Add("*SRE", mask(serviceEnable_), maskQuery(serviceEnable_), true);
    Add("*STB", {}, [this](Call& c) {
        if (c.NoArgs()) {
            c.Reply(scpi::FormatNr1(StatusByte()));
        }
    });
    // The self-test: 0 when the instrument answers (or demo mode runs), 1 when it is lost.
    Add("*TST", {}, [this](Call& c) {
        if (c.NoArgs()) {
            c.Reply(doc_.settings.demoMode != 0 || doc_.link.IsPresent() ? "0" : "1");
        }
    });
    Add("SYSTem:VERSion", {}, [](Call& c) {
        if (c.NoArgs()) {
            c.Reply(std::string(kScpiVersion));
        }
    });
    Add("SYSTem:ERRor:[NEXT]", {}, [this](Call& c) {
        if (c.NoArgs()) {
            c.Reply(errors_.Pop());
        }
    });
    Add("SYSTem:ERRor:COUNt", {}, [this](Call& c) {
        if (c.NoArgs()) {
            c.Reply(scpi::FormatNr1(static_cast<long long>(errors_.Size())));
        }
    });

    // Run control.
    Add("RUN", [runMenu](Call& c) {
        if (c.NoArgs()) {
            runMenu(cmd::kAcqStart);
        }
    });
    Add("STOP", [runMenu](Call& c) {
        if (c.NoArgs()) {
            runMenu(cmd::kAcqStop);
        }
    });
    Add("SINGle", [runMenu](Call& c) {
        if (c.NoArgs() && runMenu(cmd::kTrigSweepFirst + kSweepSingle)) {
            runMenu(cmd::kAcqStart);
        }
    });
    Add("AUToscale", [runMenu](Call& c) {
        if (c.NoArgs()) {
            runMenu(cmd::kAutoSetup);
        }
    });

    // Time base.
    Add(
        "TIMebase:SCALe",
        [this, &s, model, runMenu](Call& c) {
            const std::optional<double> seconds = c.Number(Unit::kSecond);
            if (!seconds) {
                return;
            }
            if (*seconds <= 0.0) {
                errors_.Push(scpi::kDataOutOfRange);
                return;
            }
            const int offset = s.timebase.timeDivOffset;
            const bool offers2ns = model().offers2ns;
            const int row = NearestOnLogScale(
                *seconds, kTimePerDivCount, [](int i) { return TimePerDivTable(i); },
                [offset, offers2ns](int i) { return i >= offset && (i > 0 || offers2ns); });
            if (row >= 0) {
                runMenu(cmd::kTimeDivFirst + row);
            }
        },
        [&s](Call& c) {
            if (c.NoArgs()) {
                c.Reply(scpi::FormatNr3(SecondsPerDiv(s.timebase)));
            }
        });
    Add(
        "TIMebase:MODE",
        [runMenu](Call& c) {
            const std::optional<int> mode = c.Choice({"YT", "ROLL", "XY"});
            if (mode) {
                constexpr std::array<int, 3> commands = {cmd::kFormatYT, cmd::kFormatRoll, cmd::kFormatXY};
                runMenu(commands[static_cast<std::size_t>(*mode)]);
            }
        },
        [&s](Call& c) {
            if (c.NoArgs()) {
                constexpr std::array<std::string_view, 3> names = {"YT", "ROLL", "XY"};
                c.Reply(std::string(names[std::min<std::size_t>(s.timebase.displayFormat, 2)]));
            }
        });
    Add(
        "TIMebase:POSition",
        [this, &s](Call& c) {
            const std::optional<double> seconds = c.Number(Unit::kSecond);
            if (!seconds) {
                return;
            }
            // 50 steps per division; 250 puts the trigger point at the centre.
            const double position = 250.0 + std::round(*seconds / SecondsPerDiv(s.timebase) * 50.0);
            if (!(position >= 0.0 && position <= 500.0)) {
                errors_.Push(scpi::kDataOutOfRange);
                return;
            }
            host_.MoveHorizontalPosition(static_cast<int>(position));
        },
        [&s](Call& c) {
            if (c.NoArgs()) {
                c.Reply(scpi::FormatNr3((s.timebase.horizontalPosition - 250) / 50.0 *
                                        SecondsPerDiv(s.timebase)));
            }
        });

    // Channels.
    Add(
        "CHANnel#:DISPlay",
        [this, &s, runMenu](Call& c) {
            const std::optional<int> ch = c.Channel();
            const std::optional<bool> on = ch ? c.Bool() : std::nullopt;
            if (!on || (s.ch(*ch).enabled != 0) == *on) {
                return;
            }
            const std::size_t errorsBefore = errors_.Size();
            if (runMenu(kChannelCommands[static_cast<std::size_t>(*ch)].turnOnOff) &&
                (s.ch(*ch).enabled != 0) != *on && errors_.Size() == errorsBefore) {
                // The X-Y format keeps its channels without a message.
                errors_.Push(scpi::kSettingsConflict, doc_.Text(kTextFunctionNotAvailable));
            }
        },
        [&s](Call& c) {
            const std::optional<int> ch = c.Channel();
            if (ch && c.NoArgs()) {
                c.Reply(s.ch(*ch).enabled != 0 ? "1" : "0");
            }
        });
    Add(
        "CHANnel#:SCALe",
        [&s, model, runMenu](Call& c) {
            const std::optional<int> ch = c.Channel();
            const std::optional<double> volts = ch ? c.Number(Unit::kVolt) : std::nullopt;
            if (!volts) {
                return;
            }
            if (*volts <= 0.0) {
                c.errors.Push(scpi::kDataOutOfRange);
                return;
            }
            const double probe = ProbeFactor(s.ch(*ch).probe);
            const bool volts10 = model().offersVolts10;
            const int index = NearestOnLogScale(
                *volts, kVoltsPerDivCount, [probe](int i) { return VoltsPerDivTable(i) * probe; },
                [volts10](int i) { return i < kVoltsPerDivCount - 1 || volts10; });
            runMenu(kChannelCommands[static_cast<std::size_t>(*ch)].voltsFirst + index);
        },
        [&s](Call& c) {
            const std::optional<int> ch = c.Channel();
            if (ch && c.NoArgs()) {
                c.Reply(scpi::FormatNr3(ChannelVoltsPerDiv(s.ch(*ch))));
            }
        });
    Add(
        "CHANnel#:COUPling",
        [runMenu](Call& c) {
            const std::optional<int> ch = c.Channel();
            const std::optional<int> coupling = ch ? c.Choice({"DC", "AC", "GND"}) : std::nullopt;
            if (coupling) {
                runMenu(kChannelCommands[static_cast<std::size_t>(*ch)].couplingFirst + *coupling);
            }
        },
        [&s](Call& c) {
            const std::optional<int> ch = c.Channel();
            if (ch && c.NoArgs()) {
                constexpr std::array<std::string_view, 3> names = {"DC", "AC", "GND"};
                c.Reply(std::string(names[std::min<std::size_t>(s.ch(*ch).coupling, 2)]));
            }
        });
    Add(
        "CHANnel#:PROBe",
        [runMenu](Call& c) {
            const std::optional<int> ch = c.Channel();
            const std::optional<double> factor = ch ? c.Number(Unit::kNone) : std::nullopt;
            if (!factor) {
                return;
            }
            const auto it = std::find(kProbeFactors.begin(), kProbeFactors.end(), *factor);
            if (it == kProbeFactors.end()) {
                c.errors.Push(scpi::kDataOutOfRange);
                return;
            }
            runMenu(kChannelCommands[static_cast<std::size_t>(*ch)].probeFirst +
                    static_cast<int>(it - kProbeFactors.begin()));
        },
        [&s](Call& c) {
            const std::optional<int> ch = c.Channel();
            if (ch && c.NoArgs()) {
                c.Reply(scpi::FormatNr1(static_cast<long long>(ProbeFactor(s.ch(*ch).probe))));
            }
        });
    // Offset: where the channel's 0 V marker sits above the screen centre, in volts.
    Add(
        "CHANnel#:OFFSet",
        [this, &s](Call& c) {
            const std::optional<int> ch = c.Channel();
            const std::optional<double> volts = ch ? c.Number(Unit::kVolt) : std::nullopt;
            if (!volts) {
                return;
            }
            const double level = 128.0 - *volts * kCodesPerDiv / ChannelVoltsPerDiv(s.ch(*ch));
            if (!(level >= 0.0 && level <= 255.0)) {
                errors_.Push(scpi::kDataOutOfRange);
                return;
            }
            host_.MoveZeroLevel(*ch, static_cast<float>(level));
        },
        [&s](Call& c) {
            const std::optional<int> ch = c.Channel();
            if (ch && c.NoArgs()) {
                const ChannelSettings& channel = s.ch(*ch);
                c.Reply(scpi::FormatNr3((128.0 - channel.zeroLevel) * ChannelVoltsPerDiv(channel) /
                                        kCodesPerDiv));
            }
        });

    // Trigger.
    Add(
        "TRIGger:SOURce",
        [model, runMenu](Call& c) {
            const std::optional<int> source =
                c.Source({"CHANnel1", "CHANnel2", "ALTernate", "EXTernal", "EXT10"});
            if (!source) {
                return;
            }
            if (*source == kTrigExt10 && !model().offersExt10) {
                c.errors.Push(scpi::kSettingsConflict, "EXT10");
                return;
            }
            runMenu(cmd::kTrigSourceFirst + *source);
        },
        [&s](Call& c) {
            if (c.NoArgs()) {
                constexpr std::array<std::string_view, 5> names = {"CHAN1", "CHAN2", "ALT", "EXT", "EXT10"};
                c.Reply(std::string(names[std::min<std::size_t>(s.trigger.triggerSource, 4)]));
            }
        });
    Add(
        "TRIGger:SLOPe",
        [runMenu](Call& c) {
            const std::optional<int> slope = c.Choice({"POSitive", "NEGative", "RISing", "FALLing"});
            if (slope) {
                runMenu(*slope % 2 == 0 ? cmd::kTrigSlopeRising : cmd::kTrigSlopeFalling);
            }
        },
        [&s](Call& c) {
            if (c.NoArgs()) {
                c.Reply(s.trigger.slope == kSlopeFalling ? "NEG" : "POS");
            }
        });
    Add(
        "TRIGger:SWEep",
        [runMenu](Call& c) {
            const std::optional<int> sweep = c.Choice({"AUTO", "NORMal", "SINGle"});
            if (sweep) {
                runMenu(cmd::kTrigSweepFirst + *sweep);
            }
        },
        [&s](Call& c) {
            if (c.NoArgs()) {
                constexpr std::array<std::string_view, 3> names = {"AUTO", "NORM", "SING"};
                c.Reply(std::string(names[std::min<std::size_t>(s.trigger.sweep, 2)]));
            }
        });
    Add(
        "TRIGger:MODE",
        [model, runMenu](Call& c) {
            const std::optional<int> mode = c.Choice({"EDGE", "PULSe"});
            if (!mode) {
                return;
            }
            if (*mode == kTrigModePulse && !model().offersPulse) {
                c.errors.Push(scpi::kSettingsConflict, "PULSe");
                return;
            }
            runMenu(*mode == kTrigModePulse ? cmd::kTrigModePulse : cmd::kTrigModeEdge);
        },
        [&s](Call& c) {
            if (c.NoArgs()) {
                c.Reply(s.trigger.triggerMode == kTrigModePulse ? "PULS" : "EDGE");
            }
        });
    // The level in volts of the triggering channel; ALT sets both channels to it.
    Add(
        "TRIGger:LEVel",
        [this, &s](Call& c) {
            const std::optional<double> volts = c.Number(Unit::kVolt);
            if (!volts) {
                return;
            }
            const int source = s.trigger.triggerSource;
            if (source != kTrigCh1 && source != kTrigCh2 && source != kTrigAlt) {
                errors_.Push(scpi::kSettingsConflict, "external trigger");
                return;
            }
            std::array<double, 2> levels{};
            for (int ch = kCh1; ch <= kCh2; ++ch) {
                const ChannelSettings& channel = s.ch(ch);
                levels[static_cast<std::size_t>(ch)] =
                    channel.zeroLevel - *volts * kCodesPerDiv / ChannelVoltsPerDiv(channel);
            }
            const auto inRange = [](double level) { return level >= 0.0 && level <= 255.0; };
            const bool both = source == kTrigAlt;
            if (!inRange(levels[source == kTrigCh2 ? 1 : 0]) || (both && !inRange(levels[1]))) {
                errors_.Push(scpi::kDataOutOfRange);
                return;
            }
            for (int ch = kCh1; ch <= kCh2; ++ch) {
                if (both || source == ch) {
                    host_.MoveTriggerLevel(ch, static_cast<float>(levels[static_cast<std::size_t>(ch)]));
                }
            }
        },
        [this, &s](Call& c) {
            if (!c.NoArgs()) {
                return;
            }
            const int source = s.trigger.triggerSource;
            if (source != kTrigCh1 && source != kTrigCh2 && source != kTrigAlt) {
                errors_.Push(scpi::kSettingsConflict, "external trigger");
                return;
            }
            const int ch = source == kTrigCh2 ? kCh2 : kCh1;
            const ChannelSettings& channel = s.ch(ch);
            const float level = ch == kCh1 ? s.trigger.levelCh1 : s.trigger.levelCh2;
            c.Reply(
                scpi::FormatNr3((channel.zeroLevel - level) * ChannelVoltsPerDiv(channel) / kCodesPerDiv));
        });

    // Acquisition.
    Add(
        "ACQuire:MODE",
        [this, &s, runMenu, notAvailable](Call& c) {
            const std::optional<int> mode = c.Choice({"NORMal", "AVERage", "PEAK"});
            if (!mode) {
                return;
            }
            constexpr std::array<int, 3> commands = {cmd::kAcqModeNormal, cmd::kAcqModeAverage,
                                                     cmd::kAcqModePeakDetect};
            const int command = commands[static_cast<std::size_t>(*mode)];
            if (command != cmd::kAcqModeAverage) {
                runMenu(command);
            } else if (!host_.CommandEnabled(command)) {
                notAvailable();
            } else if (s.acquire.acquisitionMode != kAcqAverage) {
                // The menu item also opens the Average dialog, which would wait for a person;
                // ACQuire:AVERages sets the count.
                doc_.SetAcquisitionMode(kAcqAverage);
                s.acquire.averagedFrames = 0;
            }
        },
        [&s](Call& c) {
            if (c.NoArgs()) {
                constexpr std::array<std::string_view, 3> names = {"NORM", "AVER", "PEAK"};
                c.Reply(std::string(names[std::min<std::size_t>(s.acquire.acquisitionMode, 2)]));
            }
        });
    Add(
        "ACQuire:AVERages",
        [this](Call& c) {
            const std::optional<double> count = c.Number(Unit::kNone);
            if (!count) {
                return;
            }
            if (!(*count >= 1.0 && *count <= kMaxAverageCount) || *count != std::floor(*count)) {
                errors_.Push(scpi::kDataOutOfRange);
                return;
            }
            host_.SetAverageCount(static_cast<int>(*count));
        },
        [&s](Call& c) {
            if (c.NoArgs()) {
                c.Reply(scpi::FormatNr1(s.acquire.averageCount));
            }
        });

    // Measurements, by the screen's own evaluation on the current traces.
    for (int kind = 0; kind < kMeasureKindCount; ++kind) {
        const std::string path = "MEASure:" + std::string(kMeasureHeaders[static_cast<std::size_t>(kind)]);
        Add(path, {}, [this, &s, kind](Call& c) {
            int source = kCh1;
            if (c.command.args.size() > 1) {
                errors_.Push(scpi::kParameterNotAllowed);
                return;
            }
            if (!c.command.args.empty()) {
                const std::optional<int> chosen =
                    c.Source({"CHANnel1", "CHANnel2", "MATH"}, c.command.args[0]);
                if (!chosen) {
                    return;
                }
                source = *chosen;
            }
            const std::array<MeasureChannel, kMeasureSourceCount> channels =
                MeasureChannelsFrom(s, doc_.frames);
            const MeasureChannel& channel = channels[static_cast<std::size_t>(source)];
            MeasureExtremes extremes = FindExtremes(channel.trace);
            FindEdges(channel.trace, extremes);
            const std::optional<double> value =
                MeasureValue(kind, channel, extremes, SecondsPerDiv(s.timebase));
            c.Reply(scpi::FormatNr3(value.value_or(scpi::kNotANumber)));
            if (value && ClipOf(extremes).Any()) {
                constexpr int kDataQuestionable = -231; // the value of a clipped trace is still answered
                errors_.Push(kDataQuestionable, "Data questionable, trace clipped");
            }
        });
    }

    // Waveforms: the 5000-point display trace of a source, as screen codes.
    Add(
        "WAVeform:SOURce",
        [this](Call& c) {
            const std::optional<int> source = c.Source({"CHANnel1", "CHANnel2", "MATH", "REF"});
            if (source) {
                waveformSource_ = *source;
            }
        },
        [this](Call& c) {
            if (c.NoArgs()) {
                constexpr std::array<std::string_view, 4> names = {"CHAN1", "CHAN2", "MATH", "REF"};
                c.Reply(std::string(names[static_cast<std::size_t>(waveformSource_)]));
            }
        },
        true);
    Add(
        "WAVeform:FORMat",
        [this](Call& c) {
            const std::optional<int> format = c.Choice({"ASCii", "WORD", "BYTE"});
            if (format) {
                waveformFormat_ = *format;
            }
        },
        [this](Call& c) {
            if (c.NoArgs()) {
                constexpr std::array<std::string_view, 3> names = {"ASC", "WORD", "BYTE"};
                c.Reply(std::string(names[static_cast<std::size_t>(waveformFormat_)]));
            }
        },
        true);
    Add(
        "WAVeform:BYTeorder",
        [this](Call& c) {
            const std::optional<int> order = c.Choice({"LSBFirst", "MSBFirst"});
            if (order) {
                msbFirst_ = *order == 1;
            }
        },
        [this](Call& c) {
            if (c.NoArgs()) {
                c.Reply(msbFirst_ ? "MSBF" : "LSBF");
            }
        },
        true);
    Add("WAVeform:POINts", {}, [](Call& c) {
        if (c.NoArgs()) {
            c.Reply(scpi::FormatNr1(kTracePoints));
        }
    });
    // format, type, points, count, x increment, x origin, x reference, y increment, y origin, y reference:
    // volts = (code - yreference) x yincrement + yorigin; seconds = (index - xreference) x xincrement +
    // xorigin, counted from the trigger point.
    Add("WAVeform:PREamble", {}, [this, &s](Call& c) {
        if (!c.NoArgs()) {
            return;
        }
        const ChannelSettings& channel = s.ch(waveformSource_);
        const double secondsPerPoint = SecondsPerDiv(s.timebase) * 10.0 / kTracePoints;
        const int type = s.acquire.acquisitionMode == kAcqPeakDetect ? 1
                         : s.acquire.acquisitionMode == kAcqAverage  ? 2
                                                                     : 0;
        const int count = s.acquire.acquisitionMode == kAcqAverage ? s.acquire.averageCount : 1;
        const std::string fields[] = {
            scpi::FormatNr1(kPreambleFormats[static_cast<std::size_t>(waveformFormat_)]),
            scpi::FormatNr1(type),
            scpi::FormatNr1(kTracePoints),
            scpi::FormatNr1(count),
            scpi::FormatNr3(secondsPerPoint),
            scpi::FormatNr3(-s.timebase.horizontalPosition * 10.0 * secondsPerPoint),
            scpi::FormatNr1(0),
            scpi::FormatNr3(ChannelVoltsPerDiv(channel) / kCodesPerDiv),
            scpi::FormatNr3(0.0),
            scpi::FormatNr3(255.0 - channel.zeroLevel),
        };
        std::string reply;
        for (const std::string& field : fields) {
            reply += (reply.empty() ? "" : ",") + field;
        }
        c.Reply(std::move(reply));
    });
    Add("WAVeform:DATA", {}, [this, &s](Call& c) {
        if (!c.NoArgs()) {
            return;
        }
        if (s.ch(waveformSource_).enabled == 0) {
            errors_.Push(scpi::kSettingsConflict, "source is off");
            return;
        }
        const auto& trace = doc_.frames[static_cast<std::size_t>(waveformSource_)].display;
        std::string reply;
        if (waveformFormat_ != kFormatAscii) {
            std::vector<std::uint8_t> bytes;
            bytes.reserve(2 * trace.size());
            for (std::int16_t code : trace) {
                if (waveformFormat_ == kFormatByte) {
                    // One byte cannot mark a column without data: such columns read 0.
                    bytes.push_back(
                        static_cast<std::uint8_t>(code == kNoData ? 0 : std::clamp<int>(code, 0, 255)));
                } else {
                    AppendWord(bytes, code, msbFirst_);
                }
            }
            scpi::AppendBlock(reply, bytes);
        } else {
            reply.reserve(6 * trace.size());
            for (std::size_t i = 0; i < trace.size(); ++i) {
                if (i > 0) {
                    reply += ',';
                }
                reply += std::to_string(trace[i]);
            }
        }
        c.Reply(std::move(reply));
    });

    // FFT: the FFT window's lists and its Start/Stop button.
    Add(
        "FFT:STATe",
        [this, runMenu](Call& c) {
            const std::optional<bool> on = c.Bool();
            if (!on) {
                return;
            }
            if (*on) {
                const std::size_t errorsBefore = errors_.Size();
                if (!runMenu(cmd::kUtilFft) || errors_.Size() != errorsBefore) {
                    return;
                }
            }
            if ((doc_.fftSettings.running != 0) != *on) {
                host_.ToggleFftRunning();
            }
        },
        [this](Call& c) {
            if (c.NoArgs()) {
                c.Reply(doc_.fftSettings.running != 0 ? "1" : "0");
            }
        });
    Add(
        "FFT:SOURce",
        [this](Call& c) {
            const std::optional<int> source = c.Source({"CHANnel1", "CHANnel2"});
            if (source) {
                host_.ChooseFftList(FftList::kSource, *source);
            }
        },
        [this](Call& c) {
            if (c.NoArgs()) {
                c.Reply(doc_.fftSettings.source == 1 ? "CHAN2" : "CHAN1");
            }
        });
    Add(
        "FFT:WINDow",
        [this](Call& c) {
            const std::optional<int> window = c.Choice({"RECTangle", "HANNing", "HAMMing", "BLACkman"});
            if (window) {
                host_.ChooseFftList(FftList::kWindow, *window);
            }
        },
        [this](Call& c) {
            if (c.NoArgs()) {
                constexpr std::array<std::string_view, 4> names = {"RECT", "HANN", "HAMM", "BLAC"};
                c.Reply(std::string(names[std::min<std::size_t>(doc_.fftSettings.window, 3)]));
            }
        });
    Add(
        "FFT:BINS",
        [this](Call& c) {
            const std::optional<double> bins = c.Number(Unit::kNone);
            if (!bins) {
                return;
            }
            const int index = *bins == std::floor(*bins) && std::fabs(*bins) < 1e6
                                  ? FftSizeIndex(static_cast<int>(*bins))
                                  : -1;
            if (index < 0) {
                errors_.Push(scpi::kDataOutOfRange);
                return;
            }
            host_.ChooseFftList(FftList::kBins, index);
        },
        [this](Call& c) {
            if (c.NoArgs()) {
                c.Reply(scpi::FormatNr1(doc_.fftSettings.bins));
            }
        });
    Add(
        "FFT:SCALe",
        [this](Call& c) {
            const std::optional<int> scale = c.Choice({"DB", "LINear"});
            if (scale) {
                host_.ChooseFftList(FftList::kScale, *scale == 0 ? kFftScaleDb : kFftScaleLinear);
            }
        },
        [this](Call& c) {
            if (c.NoArgs()) {
                c.Reply(doc_.fftSettings.scale == kFftScaleDb ? "DB" : "LIN");
            }
        });
    // The spectrum as the window draws it (dB or volts by its scale), float32 LSB first.
    Add("FFT:DATA", {}, [this](Call& c) {
        if (!c.NoArgs()) {
            return;
        }
        if (doc_.fftSettings.running == 0 || doc_.fftStatus != FftStatus::kComputed) {
            errors_.Push(scpi::kSettingsConflict, "FFT not running");
            return;
        }
        const int bins = std::clamp(doc_.fftResults.binCount, 0, kFftMaxBins);
        std::vector<std::uint8_t> bytes;
        bytes.reserve(4 * static_cast<std::size_t>(bins));
        for (int k = 0; k < bins; ++k) {
            const auto value = static_cast<float>(doc_.fftResults.spectrum[static_cast<std::size_t>(k)]);
            std::uint32_t word = 0;
            std::memcpy(&word, &value, sizeof word);
            for (int b = 0; b < 4; ++b) {
                bytes.push_back(static_cast<std::uint8_t>(word >> (8 * b)));
            }
        }
        std::string reply;
        scpi::AppendBlock(reply, bytes);
        c.Reply(std::move(reply));
    });
    constexpr std::array<std::string_view, 5> figures = {"FFT:SNR", "FFT:THD", "FFT:ENOB", "FFT:SFDR",
                                                         "FFT:SINAD"};
    for (std::size_t i = 0; i < figures.size(); ++i) {
        Add(figures[i], {}, [this, i](Call& c) {
            if (!c.NoArgs()) {
                return;
            }
            const FftFigures& f = doc_.fftResults.figures;
            const bool valid =
                doc_.fftSettings.running != 0 && doc_.fftStatus == FftStatus::kComputed && f.shown[i] != 0;
            c.Reply(scpi::FormatNr3(valid ? f.value[i] : scpi::kNotANumber));
        });
    }
    Add("FFT:FUNDamental", {}, [this](Call& c) {
        if (!c.NoArgs()) {
            return;
        }
        const FftResults& r = doc_.fftResults;
        const bool valid = doc_.fftSettings.running != 0 && doc_.fftStatus == FftStatus::kComputed &&
                           r.fundamentalBin > 0 && r.fundamentalBin < kFftMaxBins;
        c.Reply(scpi::FormatNr3(valid ? r.binFrequency[r.fundamentalBin] : scpi::kNotANumber));
    });

    // Pass/Fail: ON opens the panel, creates the mask from the current trace and starts the test.
    Add(
        "MASK:STATe",
        [this, runMenu](Call& c) {
            const std::optional<bool> on = c.Bool();
            if (!on) {
                return;
            }
            if (!*on) {
                if (doc_.passFail.State().testing != 0) {
                    host_.StopPassFail();
                }
                return;
            }
            const std::size_t errorsBefore = errors_.Size();
            if (!runMenu(cmd::kUtilPassFail) || errors_.Size() != errorsBefore) {
                return;
            }
            host_.CreatePassFailMask();
            host_.StartPassFail();
        },
        [this](Call& c) {
            if (c.NoArgs()) {
                c.Reply(doc_.passFail.State().testing != 0 ? "1" : "0");
            }
        });
    const auto counter = [this](std::uint64_t PassFailState::*field) {
        return [this, field](Call& c) {
            if (c.NoArgs()) {
                c.Reply(scpi::FormatNr1(static_cast<long long>(doc_.passFail.State().*field)));
            }
        };
    };
    Add("MASK:COUNt:PASS", {}, counter(&PassFailState::passCount));
    Add("MASK:COUNt:FAIL", {}, counter(&PassFailState::failCount));
    Add("MASK:COUNt:TOTal", {}, counter(&PassFailState::totalCount));

    // Files, through the File menu's commands with their dialogs answered by the path.
    const auto fileCommand = [this](int command, bool needsChannel) {
        return [this, command, needsChannel](Call& c) {
            const std::optional<std::string_view> arg = c.OneArg();
            if (!arg) {
                return;
            }
            const std::optional<std::string> text = scpi::ParseString(*arg);
            if (!text || text->empty()) {
                errors_.Push(scpi::kInvalidStringData, *arg);
                return;
            }
            // The Save dialog adds the extension; a script's name must carry it.
            constexpr std::string_view kCsv = ".CSV";
            if (needsChannel &&
                (text->size() <= kCsv.size() ||
                 !scpi::MatchMnemonic(kCsv, std::string_view(*text).substr(text->size() - kCsv.size())))) {
                errors_.Push(scpi::kFileNameError, "the name must end in .csv");
                return;
            }
            if (needsChannel && waveformSource_ > kCh2) {
                errors_.Push(scpi::kSettingsConflict, "CSV files hold CHAN1 or CHAN2");
                return;
            }
            if (needsChannel && doc_.settings.ch(waveformSource_).enabled == 0) {
                errors_.Push(scpi::kSettingsConflict, "source is off");
                return;
            }
            const std::optional<std::string> path = FilePath(*text);
            if (!path) {
                return;
            }
            if (!host_.CommandEnabled(command)) {
                errors_.Push(scpi::kSettingsConflict, doc_.Text(kTextFunctionNotAvailable));
                return;
            }
            host_.ExecuteFileCommand(command, *path, needsChannel ? waveformSource_ : 0);
        };
    };
    Add("MMEMory:STORe:SETup", fileCommand(cmd::kFileSaveSetups, false));
    Add("MMEMory:LOAD:SETup", fileCommand(cmd::kFileLoadSetups, false));
    Add("MMEMory:STORe:CSV", fileCommand(cmd::kFileSaveCsv, true));

    Add(
        "HCOPy:SDUMp:FORMat",
        [this](Call& c) {
            if (const std::optional<int> format = c.Choice({"PNG", "SVG"})) {
                hardcopySvg_ = *format == 1;
            }
        },
        [this](Call& c) {
            if (c.NoArgs()) {
                c.Reply(hardcopySvg_ ? "SVG" : "PNG");
            }
        });
    Add("HCOPy:DATA", {}, [this](Call& c) {
        if (!c.NoArgs()) {
            return;
        }
        const std::vector<std::uint8_t> picture = hardcopySvg_ ? host_.ScreenSvg() : host_.WindowImagePng();
        if (picture.empty()) {
            errors_.Push(scpi::kExecutionError, "no window image");
            return;
        }
        std::string reply;
        scpi::AppendBlock(reply, picture);
        c.Reply(std::move(reply));
    });
    BuildDatalogTable();
}

// Statistics and the measurement log, through the document's datalog.
void CRemoteSession::BuildDatalogTable() {
    CDataLog& datalog = doc_.datalog;
    // "<item>[ <source>]" or the arguments item[,source]: a measurement on CH1 unless a source is named.
    const auto item = [](Call& c, std::string_view kindWord,
                         std::string_view sourceWord) -> std::optional<MeasureItem> {
        const std::optional<int> kind = MeasureKindOf(kindWord);
        if (!kind) {
            c.errors.Push(scpi::kIllegalParameterValue, kindWord);
            return std::nullopt;
        }
        const std::optional<int> source = sourceWord.empty()
                                              ? std::optional<int>(kCh1)
                                              : c.Source({"CHANnel1", "CHANnel2", "MATH"}, sourceWord);
        return source ? std::optional<MeasureItem>(MeasureItem{*source, *kind}) : std::nullopt;
    };
    const auto itemText = [](const MeasureItem& i) {
        return ShortForm(kMeasureHeaders[static_cast<std::size_t>(i.kind)]) + " " +
               std::string(std::array{"CHAN1", "CHAN2", "MATH"}[static_cast<std::size_t>(i.source)]);
    };

    Add("MEASure:STATistics", {}, [&datalog, item](Call& c) {
        const std::vector<std::string>& args = c.command.args;
        if (args.empty() || args[0].empty()) {
            c.errors.Push(scpi::kMissingParameter);
            return;
        }
        if (args.size() > 2) {
            c.errors.Push(scpi::kParameterNotAllowed);
            return;
        }
        const std::optional<MeasureItem> chosen = item(c, args[0], args.size() > 1 ? args[1] : "");
        if (!chosen) {
            return;
        }
        // A screen item answers with the screen's figures; any other counts from the first question.
        datalog.Follow(*chosen);
        const RunningStats& f = *datalog.FiguresOf(*chosen);
        c.Reply(FigureNr3(f.Current().value_or(NAN)) + "," + FigureNr3(f.Mean()) + "," + FigureNr3(f.Min()) +
                "," + FigureNr3(f.Max()) + "," + FigureNr3(f.StdDev()) + "," +
                scpi::FormatNr1(static_cast<long long>(f.Count())));
    });
    Add("MEASure:STATistics:RESet", [&datalog](Call& c) {
        if (c.NoArgs()) {
            datalog.ResetStatistics();
        }
    });

    // The log's file, items and interval are this client's choices until LOG:STARt.
    Add(
        "LOG:FILE",
        [this](Call& c) {
            const std::optional<std::string_view> arg = c.OneArg();
            const std::optional<std::string> text = arg ? scpi::ParseString(*arg) : std::nullopt;
            if (arg && (!text || text->empty())) {
                errors_.Push(scpi::kInvalidStringData, *arg);
            } else if (text && FilePath(*text)) {
                logFile_ = *text;
            }
        },
        [this](Call& c) {
            if (c.NoArgs()) {
                c.Reply("\"" + logFile_ + "\"");
            }
        },
        true);
    Add(
        "LOG:ITEMs",
        [this, item](Call& c) {
            const std::optional<std::string_view> arg = c.OneArg();
            const std::optional<std::string> text = arg ? scpi::ParseString(*arg) : std::nullopt;
            if (arg && !text) {
                errors_.Push(scpi::kInvalidStringData, *arg);
                return;
            }
            std::vector<MeasureItem> items;
            for (std::size_t start = 0; text && start <= text->size();) {
                const std::size_t comma = std::min(text->find(',', start), text->size());
                std::vector<std::string_view> words;
                for (std::size_t w = start; w < comma;) {
                    const std::size_t begin = text->find_first_not_of(" \t", w);
                    if (begin >= comma) {
                        break;
                    }
                    const std::size_t end = std::min(text->find_first_of(" \t", begin), comma);
                    words.push_back(std::string_view(*text).substr(begin, end - begin));
                    w = end;
                }
                if (words.empty() || words.size() > 2) {
                    errors_.Push(scpi::kIllegalParameterValue, text->substr(start, comma - start));
                    return;
                }
                const std::optional<MeasureItem> chosen = item(c, words[0], words.size() > 1 ? words[1] : "");
                if (!chosen) {
                    return;
                }
                items.push_back(*chosen);
                start = comma + 1;
            }
            if (text) {
                logItems_ = std::move(items);
            }
        },
        [this, itemText](Call& c) {
            if (!c.NoArgs()) {
                return;
            }
            std::string text;
            const std::vector<MeasureItem> items =
                logItems_.empty() ? CDataLog::ScreenItems(doc_.measures) : logItems_;
            for (const MeasureItem& i : items) {
                if (!text.empty()) {
                    text += ',';
                }
                text += itemText(i);
            }
            c.Reply("\"" + text + "\"");
        },
        true);
    Add(
        "LOG:INTerval",
        [this](Call& c) {
            const std::optional<std::string_view> arg = c.OneArg();
            if (arg && scpi::MatchMnemonic("CAPTure", *arg)) {
                logInterval_ = 0.0;
                return;
            }
            const std::optional<double> seconds = arg ? c.Number(Unit::kSecond) : std::nullopt;
            if (seconds && !(*seconds >= kLogMinIntervalSeconds && *seconds <= kLogMaxIntervalSeconds)) {
                errors_.Push(scpi::kDataOutOfRange);
            } else if (seconds) {
                logInterval_ = *seconds;
            }
        },
        [this](Call& c) {
            if (c.NoArgs()) {
                c.Reply(logInterval_ > 0.0 ? scpi::FormatNr3(logInterval_) : std::string("CAPT"));
            }
        },
        true);
    Add("LOG:STARt", [this, &datalog](Call& c) {
        if (!c.NoArgs()) {
            return;
        }
        if (datalog.Log().Running()) {
            errors_.Push(scpi::kSettingsConflict, "a log is running");
            return;
        }
        if (logFile_.empty()) {
            errors_.Push(scpi::kSettingsConflict, "no log file: send LOG:FILE first");
            return;
        }
        // Checked again: a link may have appeared since LOG:FILE. No one is there to ask whether to
        // append, so an existing file is never touched.
        const std::optional<std::string> path = FilePath(logFile_);
        if (!path) {
            return;
        }
        std::error_code error;
        if (std::filesystem::exists(std::filesystem::symlink_status(*path, error))) {
            errors_.Push(scpi::kFileNameError, "the file exists");
            return;
        }
        LogOptions options;
        options.path = *path;
        options.intervalSeconds = logInterval_;
        for (const MeasureItem& i : logItems_.empty() ? CDataLog::ScreenItems(doc_.measures) : logItems_) {
            options.columns.push_back({i, {}});
        }
        if (const std::string refusal = datalog.StartLog(options, doc_.settings); !refusal.empty()) {
            errors_.Push(scpi::kExecutionError, refusal);
        }
    });
    Add("LOG:STOP", [&datalog](Call& c) {
        if (c.NoArgs()) {
            datalog.Log().Stop();
        }
    });
    Add("LOG:STATe", {}, [this, &datalog](Call& c) {
        if (!c.NoArgs()) {
            return;
        }
        const LogStatus& status = datalog.Log().Status();
        c.Reply(status.running ? "1" : "0");
        if (!status.running && !status.stopReason.empty()) {
            errors_.Push(scpi::kExecutionError, "the log stopped: " + status.stopReason);
        }
    });
    Add("LOG:COUNt", {}, [&datalog](Call& c) {
        if (c.NoArgs()) {
            c.Reply(scpi::FormatNr1(static_cast<long long>(datalog.Log().Status().rows)));
        }
    });
}

} // namespace tarnix
