#include "workbench/iso14443/MifareKeyStoreDlg.h"

#include "ui/ShellEnv.h"
#include "ui/Texts.h"
#include "workbench/iso14443/ClassicTexts.h"
#include "workbench/iso14443/KeyStoreRules.h"
#include <vorex/vorex.h>

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vorex::wb::mfc {

using ui::L;
using ui::S;

namespace {

constexpr int kPointerWidth = 14;

QPushButton* Button(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QLabel* ColouredLabel(QWidget* parent, const QString& text, const QColor& colour) {
    auto* label = new QLabel(text, parent);
    QFont font = parent->font();
    font.setWeight(QFont::Bold);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

QString EntryName(int row) {
    return QStringLiteral("Key%1").arg(row);
}

} // namespace

CKeyStoreDlg::CKeyStoreDlg(ui::ShellEnv& env, int templateId, const QString& title, int rows,
                           int columns, QWidget* parent)
    : QDialog(parent), env_(env), rows_(rows) {
    env_.FillDefaults();
    setObjectName(QString::number(templateId));
    setWindowTitle(title);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(0);
    grid->setVerticalSpacing(2);
    const QString prefixes = columns == 2 ? QStringLiteral("AB") : QString();
    if (columns == 2) {
        grid->addWidget(new QLabel(L("Key A"), this), 0, 2);
        grid->addWidget(new QLabel(L("Key B"), this), 0, 5);
    }
    edits_.resize(static_cast<size_t>(columns));
    markers_.resize(static_cast<size_t>(columns));
    for (int r = 0; r < rows; ++r) {
        grid->addWidget(new QLabel(QStringLiteral("%1:").arg(r), this), r + 1, 0);
        for (int c = 0; c < columns; ++c) {
            const QString suffix =
                (prefixes.isEmpty() ? QString() : QString(prefixes[c])) + QString::number(r);
            auto* edit = new QLineEdit(this);
            edit->setObjectName("key" + suffix);
            edit->setMaxLength(12);
            edit->setFixedWidth(120);
            edit->installEventFilter(this);
            auto* marker = ColouredLabel(this, QStringLiteral("!"), QColor(255, 0, 0));
            marker->setObjectName("marker" + suffix);
            marker->setFixedWidth(12);
            marker->hide();
            // A column for the ">" pointer before each edit.
            grid->setColumnMinimumWidth(1 + 3 * c, kPointerWidth);
            grid->addWidget(edit, r + 1, 2 + 3 * c);
            grid->addWidget(marker, r + 1, 3 + 3 * c);
            edits_[static_cast<size_t>(c)].push_back(edit);
            markers_[static_cast<size_t>(c)].push_back(marker);
            connect(edit, &QLineEdit::textChanged, this, [this, c] { UpdateKeyMarkers(c); });
        }
    }
    pointer_ = ColouredLabel(this, QStringLiteral(">"), QColor(255, 0, 255));
    pointer_->setObjectName("pointer");
    pointer_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    pointer_->hide();
    focused_ = edits_[0][0];

    auto* philips = Button(this, "philips", L("Philips Standard laden"));
    auto* infineon = Button(this, "infineon", L("Infineon Standard laden"));
    auto* clearAll = Button(this, "clearAll", L("Alle Löschen"));
    auto* load = Button(this, "loadDefaults", L("Standard laden"));
    auto* save = Button(this, "saveDefaults", L("Standard speichern"));
    auto* store = Button(this, "store", L("In Gerät speichern"));
    store->setDefault(true);
    store->setAutoDefault(true);
    auto* close = Button(this, "close", L("Schliessen"));
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {philips, infineon, clearAll, load, save})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(store);
    buttons->addWidget(close);

    auto* columnsLayout = new QHBoxLayout;
    columnsLayout->addLayout(grid);
    columnsLayout->addSpacing(16);
    columnsLayout->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columnsLayout);
    layout->addWidget(new QLabel(L("Alle Eingaben Hexadezimal LSB first ohne Leerzeichen"), this));

    connect(philips, &QPushButton::clicked, this, [this] { OnStandardKey(kPhilipsKey); });
    connect(infineon, &QPushButton::clicked, this, [this] { OnStandardKey(kInfineonKey); });
    connect(clearAll, &QPushButton::clicked, this, &CKeyStoreDlg::OnClearAll);
    connect(load, &QPushButton::clicked, this, &CKeyStoreDlg::OnLoadDefaults);
    connect(save, &QPushButton::clicked, this, &CKeyStoreDlg::OnSaveDefaults);
    connect(store, &QPushButton::clicked, this, &CKeyStoreDlg::OnStore);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    for (int c = 0; c < columns; ++c)
        UpdateKeyMarkers(c);
}

QLineEdit* CKeyStoreDlg::KeyEdit(int column, int row) const {
    return edits_.at(static_cast<size_t>(column)).at(static_cast<size_t>(row));
}

QLabel* CKeyStoreDlg::Marker(int column, int row) const {
    return markers_.at(static_cast<size_t>(column)).at(static_cast<size_t>(row));
}

const char* CKeyStoreDlg::Section(int column) const {
    if (Columns() == 1)
        return "Default Keys";
    return column == 0 ? "Default KeysA" : "Default KeysB";
}

void CKeyStoreDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    focused_->setFocus();
}

bool CKeyStoreDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn)
        if (auto* edit = qobject_cast<QLineEdit*>(watched))
            PointAt(edit);
    return QDialog::eventFilter(watched, event);
}

void CKeyStoreDlg::PointAt(QLineEdit* edit) {
    focused_ = edit;
    const QPoint at = edit->mapTo(this, QPoint(0, 0));
    pointer_->setGeometry(at.x() - kPointerWidth, at.y(), kPointerWidth, edit->height());
    pointer_->show();
    pointer_->raise();
}

void CKeyStoreDlg::UpdateKeyMarkers(int column) {
    const auto c = static_cast<size_t>(column);
    for (size_t r = 0; r < edits_[c].size(); ++r)
        markers_[c][r]->setVisible(ShowsMarker(edits_[c][r]->text().toStdString()));
}

void CKeyStoreDlg::OnStandardKey(const char* key) {
    focused_->setText(QString::fromLatin1(key));
    focused_->setFocus();
}

void CKeyStoreDlg::OnClearAll() {
    for (auto& column : edits_)
        for (QLineEdit* edit : column)
            edit->clear();
    for (int c = 0; c < Columns(); ++c)
        UpdateKeyMarkers(c);
}

void CKeyStoreDlg::OnLoadDefaults() {
    for (int c = 0; c < Columns(); ++c) {
        for (int r = 0; r < rows_; ++r)
            KeyEdit(c, r)->setText(
                ui::ProfileString(Section(c), EntryName(r).toLatin1().constData()));
        UpdateKeyMarkers(c);
    }
}

void CKeyStoreDlg::OnSaveDefaults() {
    if (!TakeData())
        return;
    for (int c = 0; c < Columns(); ++c)
        for (int r = 0; r < rows_; ++r)
            ui::WriteProfileString(Section(c), EntryName(r).toLatin1().constData(),
                                   KeyEdit(c, r)->text());
}

bool CKeyStoreDlg::TakeData() {
    for (int r = 0; r < rows_; ++r)
        for (int c = 0; c < Columns(); ++c) {
            QLineEdit* edit = KeyEdit(c, r);
            if (const int id = ValidationTextId(edit->text().toStdString())) {
                env_.messages->Show(this, S(id), ui::IMessages::Icon::Warning);
                edit->setFocus();
                PointAt(edit);
                return false;
            }
        }
    return true;
}

void CKeyStoreDlg::OnStore() {
    if (!TakeData())
        return;
    std::vector<std::string> texts[2];
    for (int c = 0; c < Columns(); ++c)
        for (int r = 0; r < rows_; ++r)
            texts[c].push_back(KeyEdit(c, r)->text().toStdString());
    const std::vector<StoreKeyCommand> commands = StoreCommands(texts[0], texts[1]);
    if (commands.empty()) {
        env_.messages->Show(this, S(kTextNoKeysToStore), ui::IMessages::Icon::Information);
        return;
    }
    // The first key the reader does not take ends the store: with a reader that no
    // longer answers, every further key would only wait for its own timeout.
    for (const StoreKeyCommand& command : commands) {
        if (VOREX_MifareStoreKey(handle_, command.keyType, command.index, command.key.data(),
                                 static_cast<int>(command.key.size())) == 0)
            continue;
        const int error = VOREX_GetLastError(handle_);
        const QString name = Columns() == 1    ? QStringLiteral("Key")
                             : command.keyType ? L("Key B")
                                               : L("Key A");
        const QString reason = ui::Format(S(VOREX_GetErrorStringId(error)), error).trimmed();
        env_.messages->Show(this,
                            S(kTextKeyNotStored).arg(name, QString::number(command.index), reason),
                            ui::IMessages::Icon::Warning);
        return;
    }
    env_.messages->Show(this, S(kTextKeysStored).arg(commands.size()),
                        ui::IMessages::Icon::Information);
}

CMifareDefineKeys::CMifareDefineKeys(ui::ShellEnv& env, QWidget* parent)
    : CKeyStoreDlg(env, 227, L("Keys definieren (VX-B75)"), 16, 2, parent) {}

CMifareReducedKeys::CMifareReducedKeys(ui::ShellEnv& env, QWidget* parent)
    : CKeyStoreDlg(env, 232, L("Keys definieren (VX-B76)"), 12, 1, parent) {}

} // namespace vorex::wb::mfc
