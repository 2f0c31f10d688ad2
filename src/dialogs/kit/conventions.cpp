#include "dialogs/kit/conventions.h"

#include "platform/messagebox.h"
#include "platform/stringtable.h"

namespace kv {

bool ConfirmSaveAsDefault(PDialog* owner) {
    return MessageBox(owner, LoadString(30), "CAUTION", MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

}  // namespace kv
