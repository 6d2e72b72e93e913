#pragma once

// The desk's message-box handler: shows each box of the message-box service as a modal
// QMessageBox (icon from the style's icon bits, Yes/No or OK buttons) and answers with
// MsgBox::Yes, MsgBox::No or MsgBox::OK. A box closed without a button answers No for a
// question and OK otherwise.
namespace MsgBoxHandler {

// Installs the handler into the message-box service (platform/msgbox.h).
void install();

} // namespace MsgBoxHandler
