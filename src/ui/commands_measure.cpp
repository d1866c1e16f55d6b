// Measure menu: the measurement source, the 20 readouts, Clear Measure, and the statistics and log items.
#include "document/tarnix_doc.h"

#include "language/command_ids.h"
#include "ui/command_table.h"

namespace tarnix {

void CCommandTable::RegisterMeasureCommands() {
    CMeasureSet& measures = doc_.measures;
    const int sourceIds[] = {cmd::kMeasureSourceCh1, cmd::kMeasureSourceCh2, cmd::kMeasureSourceMath};
    for (int source = 0; source < 3; ++source) {
        Add(
            sourceIds[source], [&measures, source] { measures.SetMeasureSource(source); },
            [&measures, source](CommandUI& ui) { ui.SetCheck(measures.GetMeasureSource() == source); });
    }
    for (std::size_t type = 0; type < cmd::kMeasureByType.size(); ++type) {
        Add(cmd::kMeasureByType[type], [this, &measures, type] {
            measures.AddMeasure(static_cast<int>(type));
            RepaintScreen();
        });
    }
    Add(cmd::kMeasureClear, [this, &measures] {
        measures.ClearMeasures();
        RepaintScreen();
    });

    CDataLog& datalog = doc_.datalog;
    Add(cmd::kMeasureResetStatistics, [this, &datalog] {
        datalog.ResetStatistics();
        RepaintScreen();
    });
    Add(
        cmd::kMeasureStatistics,
        [this, &datalog, &measures] {
            datalog.statisticsShown = !datalog.statisticsShown;
            datalog.statistics.SetItems(CDataLog::ScreenItems(measures));
            RepaintScreen();
        },
        [&datalog](CommandUI& ui) { ui.SetCheck(datalog.statisticsShown); });
    Add(cmd::kMeasureLogToFile, [this] {
        if (panels_.showLogPanel) {
            panels_.showLogPanel();
        }
    });
}

} // namespace tarnix
