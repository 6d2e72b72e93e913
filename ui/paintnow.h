#pragma once

class QWidget;

namespace PaintNow {

// Paints what changed in widget's window now, without waiting for the event loop: the
// window's "Refresh". Only the controls marked for update are painted, so a label changed
// in the middle of a long call shows at once without the cost of the whole window.
void pendingChanges(QWidget *widget);

} // namespace PaintNow
