#pragma once
// Layout cells for texts that change while the window polls. A label normally asks every
// layout up to the window for a pass whenever its text changes; in a fixed cell it keeps
// the size the layout gave it, so a new text repaints the label alone. The layout is asked
// again only when the new text no longer fits (SetCellText).
#include <QLabel>
#include <QWidgetItem>

class QGridLayout;

namespace pellix {

class FixedCell : public QWidgetItem {
 public:
  // Takes the widget's size policy and its explicit minimum size as they are now.
  explicit FixedCell(QWidget* widget);

  QSize sizeHint() const override;
  QSize minimumSize() const override;
  QSize maximumSize() const override;
  Qt::Orientations expandingDirections() const override;
  void setGeometry(const QRect& rect) override;
  QRect geometry() const override;

 private:
  QSizePolicy policy_;
  QSize explicitMinimum_;
};

// Puts `widget` into the grid in a fixed cell.
void AddFixedCell(QGridLayout* grid, QWidget* widget, int row, int column, int rowSpan = 1,
                  int columnSpan = 1);

// Sets the label's text when it differs, and asks the layout for a pass only when the
// label is in a fixed cell too small for the new text.
void SetCellText(QLabel* label, const QString& text);

}  // namespace pellix
