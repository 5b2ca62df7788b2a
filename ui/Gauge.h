#pragma once

#include <QStaticText>
#include <QString>
#include <QWidget>

namespace fendix::ui {

// A horizontal gauge: a bar in a thin border, filled from the left in black over white in
// proportion to a value from 0 to 100, with the value written in its centre as "37%" in
// inverted colours, so that it reads over the filled and the empty part alike.
class Gauge : public QWidget {
public:
    explicit Gauge(QWidget* parent = nullptr);

    int Progress() const noexcept { return progress_; }
    // A value below 0 shows as 0, one above 100 as 100. The gauge is drawn again at the
    // next pass of event processing.
    void SetProgress(int value);
    // What the gauge writes in its centre.
    QString Text() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int progress_ = 0;
    // The text of the value last drawn, laid out once for both of its colours.
    QStaticText text_;
    int textProgress_ = -1;
};

} // namespace fendix::ui
