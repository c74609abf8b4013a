#pragma once

#include <QWidget>

#include <memory>

class SurfaceDocument;

// The child window: hosts one view (the selection screen or a control surface) filling the main
// window, together with the view's document. Destroying it destroys the view first (with its
// connection to the unit) and then the document.
class ChildWindow : public QWidget {
    Q_OBJECT
public:
    explicit ChildWindow(std::unique_ptr<SurfaceDocument> document, QWidget* parent = nullptr);
    ~ChildWindow() override;

    SurfaceDocument& Document() { return *m_document; }
    // Takes the view over and lets it fill the child window.
    void SetView(QWidget* view);
    QWidget* View() const { return m_view; }

private:
    std::unique_ptr<SurfaceDocument> m_document;
    QWidget* m_view = nullptr;
};
