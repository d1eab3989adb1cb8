#include "shell/FactoryReset.h"

#include "ui/ShellEnv.h"
#include "ui/Texts.h"

#include <vorex/vorex.h>

namespace vorex::ui {

bool RunFactoryReset(int handle, IMessages& messages, QWidget* parent) {
    for (int question : {10139, 10140})
        if (!messages.AskYesNo(parent, S(question), IMessages::Icon::Warning))
            return false;
    if (VOREX_FactoryReset(handle) < 0)
        messages.Show(parent, S(10141));
    else
        messages.Show(parent, S(10142), IMessages::Icon::Information);
    return true;
}

} // namespace vorex::ui
