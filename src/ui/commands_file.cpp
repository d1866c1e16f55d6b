// File menu and Exit: the platform file dialogs around the document's file operations. Save CSV needs
// the Save dialog's channel choice (PanelHooks::chooseSaveChannel) and is disabled without it; Save
// Image and printing are registered by the code that owns the image grab and the report printer.
#include "document/tarnix_doc.h"

#include <QMainWindow>

#include "language/command_ids.h"
#include "ui/command_table.h"

namespace tarnix {
bool CCommandTable::ChooseSaveChannel() {
    if (answers_ && panels_.chooseSaveChannel) {
        doc_.saveChannel = static_cast<std::uint16_t>(answers_->saveChannel == 0 ? 0 : 1);
        return true;
    }
    return panels_.chooseSaveChannel && panels_.chooseSaveChannel();
}

void CCommandTable::LoadReferenceFile() {
    const std::string path =
        ChooseFile({false, QStringLiteral("Load Reference File..."), QStringLiteral("rfc"),
                    QStringLiteral("Reference File(*.rfc);;Old Reference File(*.ref)")});
    if (!path.empty()) {
        Message(doc_.LoadRef(path).message);
    }
}

void CCommandTable::RegisterFileCommands() {
    Add(cmd::kFileLoadCsv, [this] {
        const std::string path = ChooseFile({false, QStringLiteral("Load CSV File..."), QStringLiteral("csv"),
                                             QStringLiteral("CSV File(*.csv);;All Files(*.*)")});
        if (path.empty()) {
            return;
        }
        const FileResult result = doc_.LoadCsv(path);
        Message(result.message);
        // The load may have set the time base, the buffer size, Stop and CH2 off.
        if (sidebar_.refreshFromSettings) {
            sidebar_.refreshFromSettings();
        }
        UpdateMarkers();
        RepaintScreen();
    });
    Add(
        cmd::kFileSaveCsv,
        [this] {
            if (!ChooseSaveChannel()) {
                return;
            }
            const std::string path = ChooseFile({true, QStringLiteral("Save Data As CSV..."),
                                                 QStringLiteral("csv"), QStringLiteral("CSV File(*.csv)")});
            if (!path.empty()) {
                Message(doc_.SaveCsv(path).message);
            }
        },
        [this](CommandUI& ui) { ui.Enable(static_cast<bool>(panels_.chooseSaveChannel)); });
    Add(cmd::kFileLoadSetups, [this] {
        const std::string path =
            ChooseFile({false, QStringLiteral("Load Setup File..."), QStringLiteral("set"),
                        QStringLiteral("Setup File(*.set);;All Files(*.*)")});
        if (path.empty()) {
            return;
        }
        const FileResult result = doc_.LoadSetup(path);
        Message(result.message);
        if (!result.ok) {
            return;
        }
        if (sidebar_.refreshFromSettings) {
            sidebar_.refreshFromSettings();
        }
        if (panels_.refreshDialogs) {
            panels_.refreshDialogs();
        }
        UpdateMarkers();
        RepaintScreen();
    });
    Add(cmd::kFileSaveSetups, [this] {
        const std::string path = ChooseFile({true, QStringLiteral("Save Setups As..."), QStringLiteral("set"),
                                             QStringLiteral("Setup File(*.set)")});
        if (!path.empty()) {
            Message(doc_.SaveSetup(path).message);
        }
    });
    Add(cmd::kFileSaveWaveform, [this] {
        const std::string path =
            ChooseFile({true, QStringLiteral("Save Data As..."), QStringLiteral("doc"),
                        QStringLiteral("Word File(*.doc);;Excel File(*.xls);;Text File(*.txt)")});
        if (!path.empty()) {
            Message(doc_.ExportWaveformText(path).message);
        }
    });
    for (int id : {cmd::kFileSaveImage, cmd::kFileSaveScreenSvg, cmd::kFilePrint, cmd::kFilePrintPreview,
                   cmd::kFileExportReportPdf}) {
        AddUnavailable(id);
    }
    Add(cmd::kAppExit, [this] { window_.close(); });
    // Undo has no effect in this program; it keeps its ID so the framework's key does nothing.
    Add(cmd::kEditUndo, [] {});
}

} // namespace tarnix
