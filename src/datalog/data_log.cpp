#include "datalog/data_log.h"

#include <algorithm>
#include <initializer_list>

namespace tarnix {

namespace {

// Elapsed time and intervals follow the program's clock, so they run with the acquisition's timing.
class CProgramLogClock final : public ILogClock {
public:
    explicit CProgramLogClock(IClock& monotonic) : monotonic_(monotonic) {}
    std::int64_t MonotonicMs() override { return monotonic_.NowMs(); }
    std::int64_t UtcMs() override { return utc_.UtcMs(); }

private:
    IClock& monotonic_;
    CSystemLogClock utc_;
};

std::unique_ptr<ILogClock> MakeClock(IClock* monotonic) {
    if (monotonic == nullptr) {
        return std::make_unique<CSystemLogClock>();
    }
    return std::make_unique<CProgramLogClock>(*monotonic);
}

} // namespace

CDataLog::CDataLog(IClock* monotonic)
    : ownClock_(MakeClock(monotonic)), ownSink_(std::make_unique<CFileLogSink>()),
      log_(*ownClock_, *ownSink_) {}

CDataLog::CDataLog(ILogClock& clock, ILogSink& sink) : log_(clock, sink) {}

std::string CDataLog::StartLog(const LogOptions& options, const InstrumentSettings& settings) {
    std::string refusal = log_.Start(options, MeaningOf(settings));
    if (refusal.empty()) {
        trend.Reset(options.columns);
    }
    return refusal;
}

void CDataLog::Follow(const MeasureItem& item) {
    if (ValidItem(item) && std::ranges::find(followed_.Items(), item) == followed_.Items().end()) {
        std::vector<MeasureItem> items = followed_.Items();
        items.push_back(item);
        followed_.SetItems(items);
    }
}

const RunningStats* CDataLog::FiguresOf(const MeasureItem& item) const {
    for (const CMeasureStatistics* table : {&statistics, &followed_}) {
        const auto found = std::ranges::find(table->Items(), item);
        if (found != table->Items().end()) {
            return &table->Figures(static_cast<std::size_t>(found - table->Items().begin()));
        }
    }
    return nullptr;
}

std::vector<MeasureItem> CDataLog::ScreenItems(const CMeasureSet& measures) {
    std::array<MeasureItem, kMeasureSlotCount> storage;
    const std::span<const MeasureItem> items = ScreenItems(measures, storage);
    return {items.begin(), items.end()};
}

std::span<const MeasureItem> CDataLog::ScreenItems(const CMeasureSet& measures,
                                                   std::array<MeasureItem, kMeasureSlotCount>& storage) {
    const auto count = static_cast<std::size_t>(std::clamp(measures.ItemCount(), 0, kMeasureSlotCount));
    for (std::size_t slot = 0; slot < count; ++slot) {
        const MeasureSlot s = measures.Slot(static_cast<int>(slot));
        storage[slot] = {s.source, s.kind};
    }
    return std::span<const MeasureItem>(storage).first(count);
}

std::optional<double> CDataLog::Value(const MeasureItem& item) {
    const auto s = static_cast<std::size_t>(item.source);
    const MeasureChannel& channel = (*channels_)[s];
    if (!measured_[s]) {
        // The extremes and edges of a source are found once per capture, however many items use them.
        extremes_[s] = FindExtremes(channel.trace);
        FindEdges(channel.trace, extremes_[s]);
        measured_[s] = true;
    }
    return MeasureValue(item.kind, channel, extremes_[s], secondsPerDiv_);
}

LogRowResult CDataLog::OnCapture(const InstrumentSettings& settings,
                                 const std::array<MeasureChannel, kMeasureSourceCount>& channels,
                                 double secondsPerDiv, std::span<const MeasureItem> screenItems) {
    channels_ = &channels;
    secondsPerDiv_ = secondsPerDiv;
    measured_.fill(false);
    const MeasureMeaning meaning = MeaningOf(settings);
    if (!std::ranges::equal(screenItems, statistics.Items())) {
        statistics.SetItems(screenItems);
    }
    screenValues_.resize(screenItems.size());
    std::ranges::transform(screenItems, screenValues_.begin(), [this](auto& item) { return Value(item); });
    statistics.AddCapture(meaning, screenValues_);
    if (!followed_.Items().empty()) {
        followedValues_.resize(followed_.Items().size());
        std::ranges::transform(followed_.Items(), followedValues_.begin(),
                               [this](auto& item) { return Value(item); });
        followed_.AddCapture(meaning, followedValues_);
    }
    LogRowResult row;
    if (log_.Running()) {
        const std::vector<LogColumn>& columns = log_.Options().columns;
        logValues_.resize(columns.size());
        std::ranges::transform(columns, logValues_.begin(),
                               [this](auto& column) { return Value(column.item); });
        row = log_.AddCapture(meaning, logValues_);
        trend.Add(static_cast<double>(log_.Status().elapsedMs) / 1000.0, logValues_);
    }
    channels_ = nullptr;
    return row;
}

} // namespace tarnix
