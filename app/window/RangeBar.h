#pragma once

#include <QWidget>

class QDateTimeEdit;

namespace tlv::app {

// The time range of a recording shown read-only: from and to in the PC's local time, a
// button that shows the rows from there and one that exports the range.
class RangeBar : public QWidget
{
    Q_OBJECT
public:
    explicit RangeBar(QWidget *parent = nullptr);

    // Sets the boxes (UTC ms) without asking for anything.
    void setRange(qint64 fromMs, qint64 toMs);
    [[nodiscard]] qint64 fromMs() const;
    [[nodiscard]] qint64 toMs() const;

Q_SIGNALS:
    void showRequested(qint64 fromMs, qint64 toMs);
    void exportRequested(qint64 fromMs, qint64 toMs);
    // The user typed or picked a time.
    void edited();

private:
    QDateTimeEdit *m_from = nullptr;
    QDateTimeEdit *m_to = nullptr;
};

} // namespace tlv::app
