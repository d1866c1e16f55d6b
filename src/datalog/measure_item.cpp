#include "datalog/measure_item.h"

#include <span>

#include "analysis/measure_set.h"

namespace tarnix {

namespace {

constexpr std::array<std::string_view, 3> kCouplingNames{"DC", "AC", "GND"};
constexpr std::array<std::string_view, 3> kFormatNames{"Y-T", "Roll", "X-Y"};
constexpr std::array<std::string_view, 4> kMathNames{"A+B", "A-B", "AxB", "A/B"};

std::string_view Named(std::span<const std::string_view> names, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < names.size()
               ? names[static_cast<std::size_t>(index)]
               : std::string_view("?");
}

// "CH1 coupling AC"; without a source just "time base 1.00ms".
std::string Phrase(std::string_view source, std::string_view what, std::string_view value) {
    std::string text(source);
    if (!text.empty()) {
        text.append(" ");
    }
    text.append(what).append(" ").append(value);
    return text;
}

std::string Change(std::string_view source, std::string_view what, std::string_view from,
                   std::string_view to) {
    return Phrase(source, what, std::string(from) + " -> " + std::string(to));
}

std::string ProbeText(int probe) {
    std::string text("x");
    text += std::to_string(static_cast<int>(ProbeFactor(probe)));
    return text;
}

std::string MathSourcesText(int sources) {
    return std::string("A=CH") + std::to_string(sources / 2 + 1) + " B=CH" + std::to_string(sources % 2 + 1);
}

} // namespace

bool ValidItem(const MeasureItem& item) {
    return item.source >= 0 && item.source < kMeasureSourceCount && item.kind >= 0 &&
           item.kind < kMeasureKindCount;
}

std::string_view SourceName(int source) {
    constexpr std::array<std::string_view, 3> kNames{"CH1", "CH2", "MATH"};
    return source >= 0 && source < 3 ? kNames[static_cast<std::size_t>(source)] : std::string_view();
}

std::string ItemName(const MeasureItem& item) {
    if (!ValidItem(item)) {
        return {};
    }
    std::string_view label = MeasureLabel(item.kind);
    label = label.substr(0, label.find(" = "));
    return std::string(SourceName(item.source)) + " " + std::string(label);
}

std::string_view ItemUnit(const MeasureItem& item) {
    switch (MeasureUnitOf(item.kind)) {
    case MeasureUnit::kVolts:
        return "V";
    case MeasureUnit::kSeconds:
        return "s";
    case MeasureUnit::kHertz:
        return "Hz";
    case MeasureUnit::kPercent:
        break;
    }
    return "%";
}

MeasureMeaning MeaningOf(const InstrumentSettings& settings) {
    MeasureMeaning meaning;
    for (int s = 0; s < 3; ++s) {
        const ChannelSettings& channel = settings.ch(s);
        SourceMeaning& m = meaning.sources[static_cast<std::size_t>(s)];
        m.enabled = channel.enabled != 0 ? 1 : 0;
        m.voltsPerDivIndex = channel.voltsPerDivIndex;
        m.probe = channel.probe;
        m.coupling = channel.coupling;
        if (s == kMath) {
            m.mathOperator = channel.math.mathOperator;
            m.mathSources = static_cast<std::uint16_t>(channel.math.sourceA * 2 + channel.math.sourceB);
        }
    }
    meaning.timeRow =
        static_cast<std::uint16_t>(settings.timebase.timeDivIndex + settings.timebase.timeDivOffset);
    meaning.displayFormat = settings.timebase.displayFormat;
    return meaning;
}

unsigned ChangedSources(const MeasureMeaning& before, const MeasureMeaning& after) {
    if (before.timeRow != after.timeRow || before.displayFormat != after.displayFormat) {
        return kAllSources;
    }
    unsigned changed = 0;
    for (int s = 0; s < 3; ++s) {
        if (before.sources[static_cast<std::size_t>(s)] != after.sources[static_cast<std::size_t>(s)]) {
            changed |= 1u << s;
        }
    }
    // MATH is computed from CH1 and CH2.
    return (changed & 0b011) != 0 ? changed | 0b100 : changed;
}

std::vector<std::string> DescribeChanges(const MeasureMeaning& before, const MeasureMeaning& after) {
    std::vector<std::string> phrases;
    for (int s = 0; s < 3; ++s) {
        const SourceMeaning& a = before.sources[static_cast<std::size_t>(s)];
        const SourceMeaning& b = after.sources[static_cast<std::size_t>(s)];
        const std::string_view name = SourceName(s);
        if (a.enabled != b.enabled) {
            phrases.push_back(Phrase(name, "turned", b.enabled != 0 ? "on" : "off"));
        }
        if (a.voltsPerDivIndex != b.voltsPerDivIndex || a.probe != b.probe) {
            phrases.push_back(Change(name, "volts/div", ProbeScaledLabel(a.voltsPerDivIndex, a.probe),
                                     ProbeScaledLabel(b.voltsPerDivIndex, b.probe)));
        }
        if (a.probe != b.probe) {
            phrases.push_back(Change(name, "probe", ProbeText(a.probe), ProbeText(b.probe)));
        }
        if (a.coupling != b.coupling) {
            phrases.push_back(Change(name, "coupling", Named(kCouplingNames, a.coupling),
                                     Named(kCouplingNames, b.coupling)));
        }
        if (a.mathOperator != b.mathOperator) {
            phrases.push_back(Change(name, "operator", Named(kMathNames, a.mathOperator),
                                     Named(kMathNames, b.mathOperator)));
        }
        if (a.mathSources != b.mathSources) {
            phrases.push_back(
                Change(name, "sources", MathSourcesText(a.mathSources), MathSourcesText(b.mathSources)));
        }
    }
    if (before.timeRow != after.timeRow) {
        phrases.push_back(
            Change("", "time base", TimePerDivLabel(before.timeRow), TimePerDivLabel(after.timeRow)));
    }
    if (before.displayFormat != after.displayFormat) {
        phrases.push_back(Change("", "format", Named(kFormatNames, before.displayFormat),
                                 Named(kFormatNames, after.displayFormat)));
    }
    return phrases;
}

std::vector<std::string> DescribeMeaning(const MeasureMeaning& meaning) {
    std::vector<std::string> phrases;
    for (int s = 0; s < 3; ++s) {
        const SourceMeaning& m = meaning.sources[static_cast<std::size_t>(s)];
        std::string text = std::string(SourceName(s)) + (m.enabled != 0 ? " on, " : " off, ") +
                           std::string(ProbeScaledLabel(m.voltsPerDivIndex, m.probe)) + "/div, probe " +
                           ProbeText(m.probe);
        if (s == kMath) {
            text +=
                ", " + std::string(Named(kMathNames, m.mathOperator)) + ", " + MathSourcesText(m.mathSources);
        } else {
            text += ", " + std::string(Named(kCouplingNames, m.coupling));
        }
        phrases.push_back(std::move(text));
    }
    phrases.push_back("time base " + std::string(TimePerDivLabel(meaning.timeRow)) + "/div, format " +
                      std::string(Named(kFormatNames, meaning.displayFormat)));
    return phrases;
}

} // namespace tarnix
