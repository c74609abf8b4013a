#include "app/ChildFrm.h"

#include "app/Vuze48Doc.h"

#include <QVBoxLayout>

CChildFrame::CChildFrame(std::unique_ptr<VEzaz48Ari> document, QWidget* parent)
    : QWidget(parent), m_document(std::move(document)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

CChildFrame::~CChildFrame() {
    // The view keeps a pointer to the document's container: it must go before the document.
    delete m_view;
    m_view = nullptr;
}

void CChildFrame::SetView(QWidget* view) {
    delete m_view;
    m_view = view;
    view->setParent(this);
    layout()->addWidget(view);
}
