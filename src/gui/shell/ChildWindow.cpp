#include "gui/shell/ChildWindow.h"

#include "gui/surface/SurfaceDocument.h"

#include <QVBoxLayout>

ChildWindow::ChildWindow(std::unique_ptr<SurfaceDocument> document, QWidget* parent)
    : QWidget(parent), m_document(std::move(document)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

ChildWindow::~ChildWindow() {
    // The view keeps a pointer to the document's container: it must go before the document.
    delete m_view;
    m_view = nullptr;
}

void ChildWindow::SetView(QWidget* view) {
    delete m_view;
    m_view = view;
    view->setParent(this);
    layout()->addWidget(view);
}
