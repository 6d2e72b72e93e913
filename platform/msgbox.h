#pragma once

#include <QString>

#include <functional>

// The message-box service. Code below the widgets (the registry store, the connection test)
// asks its questions through it; the desk installs a QMessageBox-based handler at start-up,
// tests install one that records the boxes and answers them.
namespace MsgBox {

// Buttons and icons, combined as the runtime's message-box style did.
enum Style : int {
    OKOnly = 0,
    YesNo = 4,
    Critical = 16,
    Question = 32,
    Exclamation = 48,
    Information = 64,
    // The second button (No of Yes/No) is the default, taken by Enter.
    DefaultButton2 = 256,
};

enum Result : int {
    OK = 1,
    Cancel = 2,
    Yes = 6,
    No = 7,
};

using Handler = std::function<int(const QString &prompt, int style, const QString &title)>;

// Shows a box and returns the button pressed. Without a handler it writes the box to stderr
// and answers OK (or No for a Yes/No question), so nothing is ever changed by a silent Yes.
int show(const QString &prompt, int style, const QString &title);

// Installs a handler and returns the previous one.
Handler setHandler(Handler handler);

// The application's title, used when a box has none of its own.
QString applicationTitle();

} // namespace MsgBox
