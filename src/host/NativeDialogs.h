// The toolkit's native boxes (a message box is GTK's own dialog, run by GTK's loop, not the
// toolkit's): the one place that ends them from outside.
#pragma once

/// On the main thread: ends every modal native dialog as its close box would (the box's caller
/// reads Cancel), and every open context menu as Escape would. Returns how many were ended; their
/// loops return once control goes back to them.
int EndNativeDialogs();
