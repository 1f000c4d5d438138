#pragma once
// TDateEdit: a box for one date, typed as the short date format writes it or as 2026-12-18
// (ISO), with a button at its right that drops a calendar down (Alt+Down or F4 do too).
//
// - date() is the date the box holds; a null date when it is empty (AllowEmpty).
// - Entering the box selects its text, so that what is typed replaces it.
// - With CommitsOnLeaving (the default), leaving the box or Enter reads what was typed: a date
//   becomes date() (dateChanged() when it differs); any other text is refused with a message
//   naming the text and the box (Caption), reported through TDataControls::OnError, and the
//   box keeps the text, selected, and takes the focus back. It is never read as another date.
//   Without it the owner reads text() itself (a grid cell hands it to its field).
// - Escape puts back the date the box holds; with nothing typed, or no date held (a grid
//   cell's box, whose owner decides), it goes on to the window.
// - A day chosen in the calendar is typed into the box (and, with CommitsOnLeaving, taken).

#include <QDate>
#include <QLineEdit>

class QCalendarWidget;

class TDateEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TDateEdit(QWidget* parent = nullptr);

    QDate date() const { return FDate; }
    void setDate(const QDate& date);

    // The box's name in messages ("Start Date").
    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& caption) { FCaption = caption; }
    bool AllowEmpty() const { return FAllowEmpty; }
    void SetAllowEmpty(bool allow) { FAllowEmpty = allow; }
    bool CommitsOnLeaving() const { return FCommitsOnLeaving; }
    void SetCommitsOnLeaving(bool commits) { FCommitsOnLeaving = commits; }

    // Reads what was typed; false (the refusal reported) when it is no date.
    bool Commit();
    // Drops the calendar down, on the date typed (or today's month when there is none).
    void ShowCalendar();
    QCalendarWidget* Calendar() const { return FCalendar; }
    // The text the box shows for a date.
    static QString DateText(const QDate& date);

Q_SIGNALS:
    void dateChanged(const QDate& date);
    // A day was chosen in the calendar and typed into the box.
    void dayPicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Pick(const QDate& date);
    bool Typed() const;

    QDate FDate;
    QString FCaption;
    bool FAllowEmpty = false;
    bool FCommitsOnLeaving = true;
    bool FCommitPending = false; // left with a text typed, taken a moment later
    QCalendarWidget* FCalendar = nullptr;
};
