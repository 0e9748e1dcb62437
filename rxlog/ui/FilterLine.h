#pragma once

#include <QString>
#include <QWidget>

#include "filter/DisplayFilter.h"
#include "rxlog/ui/CellRowsView.h"

class QLabel;
class QLineEdit;

// A display filter typed above a received-traffic view, with the view's
// counts beside it ("표시 N / 수신 M"). Each change of the text is parsed: text
// that parses becomes the filter in force (an empty text shows everything);
// text that does not turns the line red with the fault as its tool tip, and
// the last filter that parsed stays in force until the text is mended.
class FilterLine : public QWidget {
    Q_OBJECT

public:
    explicit FilterLine(const QString& accessibleName, QWidget* parent = nullptr);
    ~FilterLine() override;

    QString Text() const;
    // Sets the text as if typed.
    void SetText(const QString& text);
    const DisplayFilter& Filter() const { return m_filter; }
    // The text parses (it is the filter in force).
    bool IsValid() const { return m_valid; }
    // Shows the counts of the view below.
    void SetCounts(quint64 shown, quint64 received);

    QLineEdit* Edit() const { return m_edit; }
    QLabel* CountLabel() const { return m_counts; }

signals:
    // A new filter is in force.
    void FilterChanged();

private:
    void Parse(const QString& text);
    void ShowValidity();

    QLineEdit* m_edit;
    QLabel* m_counts;
    DisplayFilter m_filter;
    bool m_valid = true;
};

// The light red a filter line's field takes while its text does not parse.
inline constexpr unsigned kInvalidFilterBase = 0xFFD0D0;

// Puts the line's filter in force in the view, now and at each change, and
// shows the view's counts on the line.
template <class View>
void BindFilterLine(FilterLine& line, View& view)
{
    QObject::connect(&line, &FilterLine::FilterChanged, &view,
                     [&line, &view] { view.SetFilter(line.Filter()); });
    QObject::connect(&view, &CellRowsView::FrameCountsChanged, &line, &FilterLine::SetCounts);
    view.SetFilter(line.Filter());
}

// A pane with the line above the view, both made its children.
QWidget* MakeFilteredPane(FilterLine* line, QWidget* view, QWidget* parent = nullptr);
