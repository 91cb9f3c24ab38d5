// Adding entries by dropping files on the window.
#include "ui/Unit1.h"

#include <QDragEnterEvent>
#include <QDropEvent>

namespace tarvik {

void TForm1::JvDragDrop1Drop(const QStringList &) {}
void TForm1::dragEnterEvent(QDragEnterEvent *event) { QWidget::dragEnterEvent(event); }
void TForm1::dropEvent(QDropEvent *event) { QWidget::dropEvent(event); }

} // namespace tarvik
