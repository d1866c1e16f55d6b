#include "rig.h"

#include <QFile>
#include <QTest>
#include <QVariant>

namespace tarnix::test {

Rig::Rig(const RigOptions& options) {
    DocumentServices services;
    services.notifier = &notifier_;
    doc_ = std::make_unique<CTarnixDoc>(services);
    doc_->ApplyFactoryDefaults();
    doc_->settings.model = static_cast<std::uint16_t>(options.model);
    doc_->settings.timebase.timeDivOffset =
        static_cast<std::uint16_t>(ModelTable(options.model).timeDivOffset);
    doc_->settings.timebase.timeDivIndex =
        static_cast<std::uint16_t>(ModelTable(options.model).defaultTimeDivIndex);
    doc_->settings.demoMode = options.demo ? 1 : 0;

    const std::filesystem::path root = dir_.path().toStdString();
    const std::filesystem::path language = root / "language";
    std::filesystem::create_directories(language);
    for (const auto& [name, text] : options.languageFiles) {
        const std::filesystem::path file = language / name;
        std::filesystem::create_directories(file.parent_path());
        QFile out(QString::fromStdString(file.string()));
        if (out.open(QIODevice::WriteOnly)) {
            out.write(text.data(), static_cast<qint64>(text.size()));
        }
    }

    frame_ = std::make_unique<CMainFrame>(*doc_);
    CommandTableOptions commandOptions;
    commandOptions.notifier = &notifier_;
    commandOptions.languageFolder = language;
    commandOptions.tempFolder = root / "tmp";
    std::filesystem::create_directories(commandOptions.tempFolder);
    commandOptions.chooseFile = [](const FileDialogRequest&) { return std::string(); };
    table_ = CCommandTable::Install(*frame_, *doc_, commandOptions);
    table_->OnFirstTick();
}

Rig::~Rig() {
    frame_.reset();
    doc_.reset();
}

bool ShowAndActivate(QWidget& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

void Rig::Open(QMenu* menu) {
    menu->popup(QPoint(0, 0));
    menu->close();
}

QAction* Rig::Updated(int command) {
    QAction* action = table_->Action(command);
    for (QObject* user : action->associatedObjects()) {
        if (auto* menu = qobject_cast<QMenu*>(user)) {
            Open(menu);
            return action;
        }
    }
    // Pruned from this model's menus: only the rule itself can say what it would show.
    QMenu scratch;
    scratch.addAction(action);
    table_->UpdateMenu(&scratch);
    return action;
}

std::string Rig::TextOf(int command) {
    QString text = Updated(command)->text();
    text.replace(QLatin1Char('\t'), QLatin1Char('#'));
    return text.toStdString();
}

QMenu* Rig::Popup(std::initializer_list<int> positions) {
    QList<QAction*> actions = table_->MenuBar()->actions();
    QMenu* menu = nullptr;
    for (int p : positions) {
        if (p < 0 || p >= actions.size() || actions[p]->menu() == nullptr) {
            return nullptr;
        }
        menu = actions[p]->menu();
        actions = menu->actions();
    }
    return menu;
}

std::vector<int> Rig::Commands(QMenu* menu) {
    std::vector<int> ids;
    if (menu == nullptr) {
        return ids;
    }
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            ids.push_back(0);
        } else if (action->menu() != nullptr) {
            ids.push_back(-1);
        } else {
            ids.push_back(action->property("tarnixCommand").toInt());
        }
    }
    return ids;
}

} // namespace tarnix::test
