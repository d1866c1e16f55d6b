#include "acquisition/demo_source.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tarnix {

namespace {

// Conversions of a level or sample to an integer truncate toward zero; out-of-range floats (a garbage
// setting) are held to the 16-bit range first so the cast is always defined.
std::int16_t TruncToInt16(double value) {
    if (!(value > -32768.0)) {
        return value < 0.0 ? std::int16_t{-32768} : std::int16_t{0}; // NaN gives 0
    }
    if (value > 32767.0) {
        return 32767;
    }
    return static_cast<std::int16_t>(value);
}

// Samples outside 0..255 are stored as they are (processing clips them); a negative code keeps its
// two's-complement bit pattern in the 16-bit memory.
std::uint16_t StoreSample(double value) {
    if (!(value > -32768.0) || value > 65535.0) {
        return value > 0.0 ? std::uint16_t{65535} : std::uint16_t{0x8000};
    }
    return static_cast<std::uint16_t>(static_cast<std::int32_t>(value));
}

} // namespace

void CDemoSource::Reset() {
    *this = CDemoSource{};
}

void CDemoSource::UpdateParameters(const InstrumentSettings& settings, const HardwareBlock& block) {
    const double secondsPerDiv = SecondsPerDiv(settings.timebase);
    for (int c = 0; c < 2; ++c) {
        const ChannelSettings& channel = settings.ch(c);
        DemoGenerator& gen = generator[static_cast<std::size_t>(c)];
        gen.enabled = channel.enabled != 0 ? 1 : 0;
        gen.cyclesPerSample = secondsPerDiv * (frequency - sweepOffset);
        gen.amplitude = std::trunc(amplitudeVolts / ChannelVoltsPerDiv(channel) * 32.0);
        gen.zeroCode = TruncToInt16(255.0 - static_cast<double>(channel.zeroLevel));
        const float level = c == kCh1 ? settings.trigger.levelCh1 : settings.trigger.levelCh2;
        gen.triggerCode = TruncToInt16(255.0 - static_cast<double>(level));
        gen.triggerPosition = static_cast<std::int16_t>(
            settings.timebase.horizontalPosition > 500 ? 500 : settings.timebase.horizontalPosition);
        gen.slope = settings.trigger.slope;
        gen.dcOffset =
            (channel.coupling == kCouplingDc && dcPlus) ? TruncToInt16(gen.amplitude * 0.5) : std::int16_t{0};
        gen.noiseDivisor = function == kDemoNoise ? 1.0f : 9.0f;
    }
    triggerSource = settings.trigger.triggerSource;
    altChannel = block.triggerSource;

    // The sweep walks the frequency from F down towards 0 in 100 steps, then starts again. The steps
    // are counted, not summed: a sum of F x 0.01 can fall just short of F and take a 101st step.
    if (sweep) {
        sweepStep = (sweepStep + 1) % 100;
        sweepOffset = frequency * 0.01 * sweepStep;
    }
}

double CDemoSource::RandomPhase(IRandom& random) {
    return (static_cast<double>(random.Next() % 10) + 0.1) * std::numbers::pi / 2.0;
}

// Tests one generator against its trigger level; sets its phase and ready flag.
int CDemoSource::PollChannel(IRandom& random, int channel) {
    DemoGenerator& gen = generator[static_cast<std::size_t>(channel)];
    const double halfAmplitude = gen.amplitude * 0.5;
    // A flat signal has no crossing; it only triggers when forced.
    const double ratio = halfAmplitude != 0.0 ? (gen.triggerCode - gen.zeroCode) / halfAmplitude : 2.0;
    if (std::fabs(ratio) <= 1.0) {
        gen.phase = std::asin(ratio);
        ready[static_cast<std::size_t>(channel)] = true;
        return kDemoFrame;
    }
    gen.phase = RandomPhase(random);
    if (force) {
        force = false;
        ready[static_cast<std::size_t>(channel)] = true;
        return kDemoFrame;
    }
    return kDemoNoFrame;
}

int CDemoSource::Poll(IRandom& random) {
    ready = {false, false};
    switch (triggerSource) {
    case kTrigCh1:
    case kTrigCh2: {
        const int source = triggerSource;
        const int result = PollChannel(random, source);
        // The other channel shares the trigger: same phase, same fate.
        const int other = 1 - source;
        generator[static_cast<std::size_t>(other)].phase = generator[static_cast<std::size_t>(source)].phase;
        ready[static_cast<std::size_t>(other)] = ready[static_cast<std::size_t>(source)];
        return result;
    }
    case kTrigAlt:
        if (altChannel == 0 || altChannel == 1) {
            return PollChannel(random, altChannel);
        }
        // Before the first ALT switch: both channels, as if triggered.
        ready = {true, true};
        force = false;
        return kDemoFrame;
    default: { // EXT, EXT/10: the demo has no external input, so only a forced trigger gives a frame
        if (!force) {
            return kDemoNoFrame;
        }
        force = false;
        if (generator[0].enabled != 0) {
            generator[0].phase = RandomPhase(random);
            generator[1].phase = generator[0].phase;
        } else {
            generator[1].phase = RandomPhase(random);
        }
        ready = {true, true};
        return kDemoFrame;
    }
    }
}

void CDemoSource::FillChannel(IRandom& random, int channel, std::span<std::uint16_t> memory) {
    DemoGenerator& gen = generator[static_cast<std::size_t>(channel)];
    if (gen.cyclesPerSample >= 0.5) {
        gen.cyclesPerSample = 1.25;
    }
    const double base = static_cast<double>(gen.zeroCode) + gen.dcOffset;
    if (function == kDemoRandom) {
        for (int i = 0; i < kDemoRecordLength; ++i) {
            const double noise = static_cast<double>(random.Next() % 10) / gen.noiseDivisor;
            memory[static_cast<std::size_t>(i)] =
                StoreSample(std::trunc((noise - 0.5) * gen.amplitude + base));
        }
        return;
    }
    const int k = gen.triggerPosition * kDemoRecordLength / 500;
    const double dir = gen.slope == kSlopeFalling ? -1.0 : 1.0;
    const double omega = gen.cyclesPerSample * 2.0 * std::numbers::pi;
    const double half = gen.amplitude * 0.5;
    auto sample = [&](double t) {
        const double noise = static_cast<double>(random.Next() % 10) / gen.noiseDivisor;
        return StoreSample(std::trunc(noise + base + std::sin(t * omega + gen.phase) * half));
    };
    // From the trigger point rightwards t = 0, dir, 2 dir ...; leftwards from k-1 again from t = 0, so
    // the trigger value stands at both k-1 and k.
    for (int i = k; i < kDemoRecordLength; ++i) {
        memory[static_cast<std::size_t>(i)] = sample(static_cast<double>(i - k) * dir);
    }
    for (int i = k - 1; i >= 0; --i) {
        memory[static_cast<std::size_t>(i)] = sample(-static_cast<double>(k - 1 - i) * dir);
    }
}

void CDemoSource::Fill(IRandom& random, std::span<std::uint16_t> ch1, std::span<std::uint16_t> ch2) {
    const std::array<std::span<std::uint16_t>, 2> memory{ch1, ch2};
    for (int c = 0; c < 2; ++c) {
        const auto index = static_cast<std::size_t>(c);
        if (generator[index].enabled != 0 && ready[index] && memory[index].size() >= kDemoRecordLength) {
            FillChannel(random, c, memory[index]);
        }
    }
}

void CDemoSource::RollFill(IRandom& random, int step, std::span<std::uint16_t> ch1,
                           std::span<std::uint16_t> ch2) {
    const std::array<std::span<std::uint16_t>, 2> memory{ch1, ch2};
    for (int c = 0; c < 2; ++c) {
        const auto index = static_cast<std::size_t>(c);
        DemoGenerator& gen = generator[index];
        if (gen.enabled == 0 || !ready[index] || memory[index].empty()) {
            continue;
        }
        if (gen.cyclesPerSample >= 0.5) {
            gen.cyclesPerSample = 1.25;
        }
        // Every point the roll step moves in is new; a single one would leave the rest of the step
        // holding stale samples, drawn as a comb.
        const std::size_t count = std::min(static_cast<std::size_t>(std::max(step, 0)), memory[index].size());
        for (std::size_t i = 0; i < count; ++i) {
            const double noise = static_cast<double>(random.Next() % 10) * 0.1111111111111111;
            memory[index][i] = StoreSample(std::trunc((noise - 0.5) * gen.amplitude + gen.zeroCode));
        }
    }
}

void CDemoSource::SelectFrequency(int choice) {
    if (choice >= 0 && choice < static_cast<int>(kDemoFrequencyChoices.size())) {
        frequency = kDemoFrequencyChoices[static_cast<std::size_t>(choice)].value;
    }
}

void CDemoSource::SelectAmplitude(int choice) {
    if (choice >= 0 && choice < static_cast<int>(kDemoAmplitudeChoices.size())) {
        amplitudeVolts = kDemoAmplitudeChoices[static_cast<std::size_t>(choice)].value;
    }
}

int CDemoSource::FrequencyChoice() const {
    for (std::size_t i = 0; i < kDemoFrequencyChoices.size(); ++i) {
        if (kDemoFrequencyChoices[i].value == frequency) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int CDemoSource::AmplitudeChoice() const {
    for (std::size_t i = 0; i < kDemoAmplitudeChoices.size(); ++i) {
        if (kDemoAmplitudeChoices[i].value == amplitudeVolts) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void CDemoSource::SetFunction(int value) {
    if (value >= kDemoNormal && value <= kDemoRandom) {
        function = value;
    }
}

} // namespace tarnix
