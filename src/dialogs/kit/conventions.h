#pragma once
// Conventions that several dialogs share.

class PDialog;

namespace kv {

// The question of every "ﾃﾞﾌｫﾙﾄ" (default) button: string 30 with the caption
// "CAUTION", OK and Cancel, the question icon. True on OK: the caller then copies
// the dialog's current values into the chart window's default object at once
// (a later Cancel does not undo it; the edited object stays as it is). Dialogs
// editing a template for a multiple selection disable their Default button.
bool ConfirmSaveAsDefault(PDialog* owner);

}  // namespace kv
