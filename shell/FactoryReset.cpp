#include "shell/FactoryReset.h"

#include "ui/ShellEnv.h"
#include "ui/Texts.h"

#include <vorex/vorex.h>

namespace vorex::shell {

bool RunFactoryReset(int handle, ui::IMessages& messages, QWidget* parent) {
    for (int question : {10139, 10140})
        if (!messages.AskYesNo(parent, ui::S(question), ui::IMessages::Icon::Warning))
            return false;
    if (VOREX_FactoryReset(handle) < 0)
        messages.Show(parent, ui::S(10141));
    else
        messages.Show(parent, ui::S(10142), ui::IMessages::Icon::Information);
    return true;
}

} // namespace vorex::shell
