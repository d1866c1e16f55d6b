// A document on the stub driver (or the simulated instrument) with fake clock, random source and user.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "fake_services.h"
#include "fakes.h"
#include "stub_driver.h"
#include "document/tarnix_doc.h"
#include "simulator/sim_instrument.h"

namespace tarnix::testing {

class DocTest : public ::testing::Test {
protected:
    CStubDriver driver;
    CFakeClock clock;
    CFakeRandom random;
    CRecordingNotifier notifier;
    CScriptedChooser chooser;
    std::unique_ptr<CSimInstrument> sim;
    std::unique_ptr<CTarnixDoc> doc;
    std::vector<std::string> status;
    int repaints = 0;

    DocumentServices Services(IDriverLibrary* library) {
        return {library, &clock, &random, &notifier, &chooser};
    }
    // withLibrary false: no driver library at all (demo mode after "Ignore").
    StartupResult Start(bool withLibrary = true) { return StartWith(withLibrary ? &driver : nullptr); }
    StartupResult StartSim(const SimConfig& config) {
        doc.reset();
        sim = std::make_unique<CSimInstrument>(clock, config);
        return StartWith(sim.get());
    }
    StartupResult StartWith(IDriverLibrary* library) {
        doc = std::make_unique<CTarnixDoc>(Services(library));
        doc->hooks.showStatus = [this](std::string_view text) { status.emplace_back(text); };
        doc->hooks.repaint = [this] { ++repaints; };
        const StartupResult result = doc->StartUp();
        driver.calls.clear();
        return result;
    }

    void Tick() {
        clock.Advance(30);
        doc->OnTick();
    }
    void Ticks(int count) {
        for (int i = 0; i < count; ++i) {
            Tick();
        }
    }
    // The number of ticks until done() holds, or -1 past the limit.
    template <typename Done> int TickUntil(Done done, int limit = 5000) {
        for (int i = 1; i <= limit; ++i) {
            Tick();
            if (done()) {
                return i;
            }
        }
        return -1;
    }
    std::uint16_t RunStatus() const { return doc->settings.runStatus; }
    const ChannelSettings& Ch(int channel) const { return doc->settings.ch(channel); }
    std::pair<int, int> Enables() const { return {Ch(kCh1).enabled, Ch(kCh2).enabled}; } // CH1, CH2 on
};

} // namespace tarnix::testing
