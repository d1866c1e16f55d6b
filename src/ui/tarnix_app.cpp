// The document's headers come first: Qt's `slots` keyword macro would otherwise rewrite the setup
// record's field of that name.
#include "document/tarnix_doc.h"

#include "ui/tarnix_app.h"

#include <QMessageBox>
#include <QString>

#include "acquisition/driver_library.h"
#include "acquisition/driver_loader.h"
#include "ui/main_frame.h"
#include "ui/tarnix_view.h"

namespace tarnix {

void CMessageBoxNotifier::ShowMessage(std::string_view caption, std::string_view text) {
    QMessageBox::warning(nullptr, QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())),
                         QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

CTarnixApp::CTarnixApp() = default;

CTarnixApp::~CTarnixApp() {
    // The frame (and its view, which holds hooks into the document) goes before the document.
    frame_.reset();
    doc_.reset();
}

bool CTarnixApp::InitInstance(const std::string& programDir) {
    library_ = CDriverLoader::Load(programDir);
    DocumentServices services;
    services.library = library_.get();
    services.notifier = &notifier_;
    doc_ = std::make_unique<CTarnixDoc>(services);
    frame_ = std::make_unique<CMainFrame>(*doc_);
    return frame_->View().OnInitialUpdate();
}

} // namespace tarnix
