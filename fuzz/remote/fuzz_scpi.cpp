// Feeds arbitrary lines to a remote session on a demo-mode document, as a client's socket would. After
// every line: a line without '?' got no answer, an answer is one line (or ends in a block), the error
// queue holds at most ten entries, and the settings the commands reach stay in range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "document/tarnix_doc.h"
#include "model/setting_rules.h"
#include "remote/remote_host.h"
#include "remote/remote_session.h"

namespace {

using namespace tarnix;

// Runs the handlers' own setters where a command would move a marker; menu commands are not run.
class CFuzzHost final : public IRemoteHost {
public:
    explicit CFuzzHost(CTarnixDoc& doc) : doc_(doc) {}
    bool CommandEnabled(int command) override { return command % 3 != 0; }
    void ExecuteCommand(int) override {}
    void ExecuteFileCommand(int, const std::string&, int) override {}
    void MoveZeroLevel(int channel, float level) override { doc_.SetZeroLevel(channel, level); }
    void MoveTriggerLevel(int channel, float level) override { doc_.SetTriggerLevel(channel, level); }
    void MoveHorizontalPosition(int position) override { doc_.SetHorizontalPosition(position); }
    void SetAverageCount(int count) override { doc_.SetAverageCount(count); }
    void ChooseFftList(FftList, int) override {}
    void ToggleFftRunning() override {}
    void CreatePassFailMask() override {}
    void StartPassFail() override {}
    void StopPassFail() override {}
    bool ModalDialogOpen() override { return false; }
    std::vector<std::uint8_t> WindowImagePng() override { return {0x89, 'P', 'N', 'G'}; }

private:
    CTarnixDoc& doc_;
};

struct Rig {
    CTarnixDoc doc;
    CFuzzHost host{doc};
    CRemoteSession session{doc, host};
    Rig() {
        doc.StartUp();
        doc.OnTick();
    }
};

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Rig* rig = new Rig;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start <= input.size()) {
        std::size_t end = input.find('\n', start);
        if (end == std::string_view::npos) {
            end = input.size();
        }
        const std::string_view line = input.substr(start, end - start);
        std::string reply = rig->session.Query(line);
        while (rig->session.Waiting() || rig->session.LineInProgress()) {
            // A stopped program with its frames shown ends every wait.
            rig->doc.specialStep = -1;
            rig->doc.calibrationStep = -1;
            rig->doc.Stop();
            rig->doc.OnTick();
            while (rig->session.Step(reply) == CRemoteSession::Progress::kRan) {
            }
        }
        Check(line.find('?') != std::string_view::npos || reply.empty());
        Check(reply.empty() || reply.back() == '\n');
        Check(rig->session.Errors().Size() <= CErrorQueue::kCapacity);
        const InstrumentSettings& s = rig->doc.settings;
        Check(s.timebase.horizontalPosition <= 500);
        Check(s.acquire.averageCount >= 1 && s.acquire.averageCount <= kMaxAverageCount);
        for (int ch = kCh1; ch <= kCh2; ++ch) {
            Check(s.ch(ch).zeroLevel >= 0.0f && s.ch(ch).zeroLevel <= 255.0f);
        }
        Check(s.trigger.levelCh1 >= 0.0f && s.trigger.levelCh1 <= 255.0f);
        Check(s.trigger.levelCh2 >= 0.0f && s.trigger.levelCh2 <= 255.0f);
        start = end + 1;
    }
    if (rig->session.Errors().Size() == CErrorQueue::kCapacity) {
        rig->session.Errors().Clear();
    }
    return 0;
}
