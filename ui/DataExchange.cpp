#include "ui/DataExchange.h"

#include "ui/ShellEnv.h"
#include "ui/Texts.h"

#include <QLineEdit>

namespace vorex::ui {

bool ExchangeInt(QLineEdit* edit, int min, int max, bool unsignedOnly, IMessages* messages,
                 QWidget* parent, int& out) {
    const QString text = edit->text().trimmed();
    bool ok = false;
    const long long value = text.toLongLong(&ok);
    QString problem;
    if (!ok || (unsignedOnly && (text.startsWith('-') || value < 0)))
        problem = S(unsignedOnly ? 61719 : 61712);
    else if (value < min || value > max)
        problem = S(61714).arg(min).arg(max);
    if (problem.isEmpty()) {
        out = static_cast<int>(value);
        return true;
    }
    if (messages)
        messages->Show(parent, problem, IMessages::Icon::Warning);
    edit->setFocus();
    edit->selectAll();
    return false;
}

} // namespace vorex::ui
