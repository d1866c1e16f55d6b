#include "document/tarnix_doc.h"

#include "ui/tarnix_app.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QPixmap>
#include <QStandardPaths>
#include <QString>

#include "acquisition/driver_library.h"
#include "acquisition/driver_loader.h"
#include "display/wave_screen.h"
#include "ui/command_table.h"
#include "ui/device_dialogs.h"
#include "ui/main_frame.h"
#include "ui/shell_dialogs.h"
#include "ui/sidebar_form.h"
#include "ui/tarnix_view.h"
#include "ui/view_panels.h"

namespace tarnix {

void CMessageBoxNotifier::ShowMessage(std::string_view caption, std::string_view text) {
    if (sink_ != nullptr) {
        sink_->ShowMessage(caption, text);
        return;
    }
    QMessageBox::warning(nullptr, QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())),
                         QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

QString DefaultSetupLocation(const QString& programDir) {
    const QFileInfo folder(programDir);
    if (folder.isDir() && folder.isWritable()) {
        return QDir(programDir).filePath(QStringLiteral("Default.set"));
    }
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(config);
    return QDir(config).filePath(QStringLiteral("Default.set"));
}

namespace {
// The language folder: beside the program (a build or an unpacked folder), else the data folder of
// an installed program (<prefix>/share/tarnix/language beside bin/, or on the XDG data path).
QString LanguageFolderLocation(const QString& programDir) {
    const QDir dir(programDir);
    for (const QString& candidate : {dir.filePath(QStringLiteral("language")),
                                     dir.filePath(QStringLiteral("../share/tarnix/language"))}) {
        if (QFileInfo(candidate).isDir()) {
            return QDir::cleanPath(candidate);
        }
    }
    const QString installed =
        QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("tarnix/language"),
                               QStandardPaths::LocateDirectory);
    return installed.isEmpty() ? dir.filePath(QStringLiteral("language")) : installed;
}
} // namespace

std::optional<int> CTarnixApp::CChooserGate::ChooseDevice(std::span<const FoundDevice> devices) {
    if (app_.splash_ != nullptr) {
        app_.splash_->lower();
    }
    return app_.chooser_->ChooseDevice(devices);
}

NoDeviceChoice CTarnixApp::CChooserGate::NoDeviceFound() {
    if (app_.demoOnly_) {
        return NoDeviceChoice::kIgnore;
    }
    if (app_.splash_ != nullptr) {
        app_.splash_->lower();
    }
    return app_.chooser_->NoDeviceFound();
}

CTarnixApp::CTarnixApp() = default;

CTarnixApp::~CTarnixApp() {
    // The frame (and its view, which holds hooks into the document) goes before the document.
    if (splash_ != nullptr) {
        delete splash_.data();
    }
    frame_.reset();
    doc_.reset();
}

bool CTarnixApp::InitInstance(const std::string& programDir, const QStringList& arguments,
                              IStartupChooser* chooser) {
    const bool splashEnabled = SplashEnabled(arguments);

    demoOnly_ = arguments.contains(QStringLiteral("--demo"));
    if (!demoOnly_) {
        library_ = CDriverLoader::Load(programDir);
    }
    DocumentServices services;
    services.library = library_.get();
    services.notifier = &notifier_;
    services.chooser = &gate_;
    doc_ = std::make_unique<CTarnixDoc>(services);
    if (chooser != nullptr) {
        chooser_ = chooser;
    } else {
        dialogChooser_ = std::make_unique<CStartupChooser>(*doc_, doc_->language, nullptr, &notifier_);
        chooser_ = dialogChooser_.get();
    }

    // Frame (toolbar, status bar, centred, hidden), then the command table with its toolbar actions.
    frame_ = std::make_unique<CMainFrame>(*doc_);
    // The painted icon at the sizes a desktop asks for, so a scaled screen gets a sharp one.
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(QPixmap::fromImage(PaintAppIcon(size)));
    }
    frame_->setWindowIcon(icon);
    CommandTableOptions options;
    options.notifier = &notifier_;
    options.languageFolder = LanguageFolderLocation(QString::fromStdString(programDir)).toStdString();
    table_ = CCommandTable::Install(*frame_, *doc_, options);

    // The view's first initialisation: splash, child windows, the modeless dialogs, the search with
    // its choices, Default.set, layout and the acquisition timer.
    if (splashEnabled) {
        splash_ = new CSplashWindow;
        QObject::connect(splash_, &CSplashWindow::finished, frame_.get(), [this] { frame_->update(); });
        splash_->ShowCentred();
        QCoreApplication::processEvents();
    }
    panels_ = new CViewPanels(*frame_, *doc_, *table_, &notifier_);
    doc_->defaultSetupPath = DefaultSetupLocation(QString::fromStdString(programDir)).toStdString();
    // The search dialogs come before Default.set is loaded; they speak its stored language already.
    table_->FindLanguages();
    doc_->SelectLanguage(doc_->StoredLanguageIndex(doc_->defaultSetupPath));
    CTarnixView& view = frame_->View();
    // The frame connected its show first; the demo dialog follows it.
    QObject::connect(&view, &CTarnixView::windowReady, panels_, &CViewPanels::ShowDemoSettingIfDemo);

    if (!view.OnInitialUpdate()) {
        // Close at the device choice. Default.set has not been loaded, so the factory state must not
        // replace it: the program ends (main returns) without saving.
        return false;
    }
    CSidebarForm& sidebar = panels_->Sidebar();
    sidebar.FillLists();
    sidebar.SyncFromSettings();
    panels_->RefreshDialogs();
    view.Screen().UpdateMarkers();
    QObject::connect(frame_.get(), &CMainFrame::closed, QCoreApplication::instance(), &QCoreApplication::quit,
                     Qt::QueuedConnection);
    return true;
}

} // namespace tarnix
