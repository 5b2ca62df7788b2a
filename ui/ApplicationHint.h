#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace fendix::ui {

// The application's current hint: the status tip of the control under the mouse pointer,
// or of the nearest enclosing control that has one, or empty when none has. It follows the
// pointer over every window of the program and signals each change of its text. No hint
// ever pops up beside the pointer: the main window shows it in its status line.
class ApplicationHint : public QObject {
    Q_OBJECT

public:
    // Watches the pointer over every window of the application for as long as it lives.
    explicit ApplicationHint(QObject* parent = nullptr);
    ~ApplicationHint() override;

    // The hint of a control: its own status tip or that of the nearest enclosing control
    // of its window that has one; empty for none.
    static QString HintOf(const QWidget* widget);

signals:
    void HintChanged(const QString& hint);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Update(const QString& hint);

    QString current_;
};

} // namespace fendix::ui
