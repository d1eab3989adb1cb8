#include "shell/MainFrame.h"

#include "shell/AboutDlg.h"
#include "shell/DemoReader.h"
#include "shell/ProgrammerView.h"
#include "ui/Texts.h"
#include "ui/WaitHook.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace vorex::shell {
namespace {

struct CommandText {
    int id;
    const char* german;
};

// Menu and tool bar commands with their German texts.
constexpr CommandText kCommands[] = {
    {40001, QT_TRANSLATE_NOOP("Vorex", "ISO15693")},
    {40004, QT_TRANSLATE_NOOP("Vorex", "MIFARE Ultralight®")},
    {40002, QT_TRANSLATE_NOOP("Vorex", "MIFARE® 1K")},
    {40003, QT_TRANSLATE_NOOP("Vorex", "MIFARE® 4K")},
    {40005, QT_TRANSLATE_NOOP("Vorex", "NFC Type 2")},
    {12700, QT_TRANSLATE_NOOP("Vorex", "Serienprogrammierung")},
    {32778, QT_TRANSLATE_NOOP("Vorex", "Schnittstelle")},
    {32780, QT_TRANSLATE_NOOP("Vorex", "Zyklisch Parameter")},
    {32864, QT_TRANSLATE_NOOP("Vorex", "IP-Adresse")},
    {40006, QT_TRANSLATE_NOOP("Vorex", "Sendeleistung")},
    {40007, QT_TRANSLATE_NOOP("Vorex", "Werkseinstellung")},
    {32781, QT_TRANSLATE_NOOP("Vorex", "Deutsch")},
    {32782, QT_TRANSLATE_NOOP("Vorex", "Englisch")},
    {57665, QT_TRANSLATE_NOOP("Vorex", "&Beenden")},
    {57664, QT_TRANSLATE_NOOP("Vorex", "Inf&o über Programmer...")},
    {57670, QT_TRANSLATE_NOOP("Vorex", "Hilfe")},
};

constexpr int kToolBar[] = {40001, 0, 40004, 40002, 40003, 40005, 0,
                            32778, 0, 57670, 57664, 0,     57665};

} // namespace

CMainFrame::CMainFrame(ui::ShellEnv& env) : env_(env) {
    env_.FillDefaults();
    setObjectName("MainFrame");
    setWindowTitle(ui::S(57344) + env_.captionNote);
    InstallQtTranslation(QStringLiteral("de"));
    CreateActions();
    view_ = new CProgrammerView(env_, this);
    setCentralWidget(view_);
    connect(view_, &CProgrammerView::readerChanged, this, &CMainFrame::UpdateCommandUi);
    connect(view_, &CProgrammerView::searching, this, &CMainFrame::SetSearching);
    BuildMenu();
    BuildToolBar();
    BuildStatusBar();
    ApplyTexts();
    UpdateCommandUi();
    resize(778, 630);

    move(ui::ProfileInt("Window", "left", 0), ui::ProfileInt("Window", "top", 0));
    if (ui::ProfileInt("Settings", "Sprache", 0) == 1)
        SwitchToEnglish();
}

CMainFrame::~CMainFrame() {
    if (translator_)
        QCoreApplication::removeTranslator(translator_.get());
    if (qtTranslator_)
        QCoreApplication::removeTranslator(qtTranslator_.get());
}

QAction* CMainFrame::Action(int command) const {
    const auto it = actions_.find(command);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::CreateActions() {
    for (const CommandText& c : kCommands) {
        auto* action = new QAction(this);
        action->setObjectName(QString::number(c.id));
        action->setData(c.id);
        const QString icon = QStringLiteral(":/vorex/images/tb_%1.png").arg(c.id);
        if (QFile::exists(icon))
            action->setIcon(QIcon(icon));
        actions_[c.id] = action;
    }
    Action(32781)->setCheckable(true);
    Action(32782)->setCheckable(true);
    Action(57670)->setShortcut(QKeySequence(Qt::Key_F1));
    addAction(Action(57670));

    for (int id : {40001, 40002, 40003, 40004, 40005})
        connect(Action(id), &QAction::triggered, this, [this, id] { view_->OnWorkbench(id); });
    connect(Action(32778), &QAction::triggered, this, [this] { view_->OnInterface(); });
    connect(Action(32780), &QAction::triggered, this, [this] { view_->OnCycleParameters(); });
    connect(Action(32864), &QAction::triggered, this, [this] { view_->OnIpAddress(); });
    connect(Action(40006), &QAction::triggered, this, [this] { view_->OnTransmitPower(); });
    connect(Action(40007), &QAction::triggered, this, [this] { view_->OnFactoryReset(); });
    connect(Action(12700), &QAction::triggered, this, [this] { view_->OnProduction(); });
    connect(Action(32781), &QAction::triggered, this, &CMainFrame::SwitchToGerman);
    connect(Action(32782), &QAction::triggered, this, &CMainFrame::SwitchToEnglish);
    connect(Action(57665), &QAction::triggered, this, &QWidget::close);
    connect(Action(57670), &QAction::triggered, this, &CMainFrame::OpenManual);
    connect(Action(57664), &QAction::triggered, this, &CMainFrame::OpenAboutBox);

    // The document keys: a new or opened (empty) document identifies the reader again;
    // saving writes an empty file.
    auto renew = [this] {
        setWindowTitle(ui::S(57344) + env_.captionNote);
        view_->OnInitialUpdate();
    };
    auto* newDoc = new QAction(this);
    newDoc->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    connect(newDoc, &QAction::triggered, this, renew);
    auto* openDoc = new QAction(this);
    openDoc->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(openDoc, &QAction::triggered, this, [this, renew] {
        if (!QFileDialog::getOpenFileName(this).isEmpty())
            renew();
    });
    auto* saveDoc = new QAction(this);
    saveDoc->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(saveDoc, &QAction::triggered, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this);
        if (QFile file(path); !path.isEmpty() && file.open(QIODevice::WriteOnly))
            file.close();
    });
    addActions({newDoc, openDoc, saveDoc});
}

void CMainFrame::BuildMenu() {
    QMenuBar* bar = menuBar();
    bar->clear();
    for (QMenu* old : bar->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly))
        delete old;
    for (QAction* old : bar->findChildren<QAction*>(QStringLiteral("MenuExit")))
        delete old;
    QMenu* tags = bar->addMenu(ui::L("TransponderTyp"));
    tags->setObjectName("TransponderTyp");
    for (int id : {40001, 40004, 40002, 40003, 40005})
        tags->addAction(Action(id));
    tags->addSeparator();
    tags->addAction(Action(12700));
    QMenu* settings = bar->addMenu(ui::L("Einstellungen"));
    settings->setObjectName("Einstellungen");
    for (int id : {32778, 32780, 32864, 40006, 40007})
        settings->addAction(Action(id));
    QMenu* languages = bar->addMenu(ui::L("Sprachen"));
    languages->setObjectName("Sprachen");
    languages->addAction(Action(32781));
    languages->addAction(Action(32782));
    // The top-level "&Beenden" shows its text, not the tool bar picture.
    QAction* exit = bar->addAction(Action(57665)->text());
    exit->setObjectName("MenuExit");
    exit->setStatusTip(Action(57665)->statusTip());
    connect(exit, &QAction::triggered, this, &QWidget::close);
    BuildDemoMenu();
    QMenu* help = bar->addMenu(ui::L("&?"));
    help->setObjectName("Help");
    help->addAction(Action(57664));
    for (QMenu* m : {tags, settings, languages, help})
        connect(m, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUi);
}

void CMainFrame::SetDemoReader(CDemoReader* demo) {
    demo_ = demo;
    BuildMenu();
}

void CMainFrame::BuildDemoMenu() {
    if (!demo_)
        return;
    QMenu* menu = menuBar()->addMenu(ui::S(12606));
    menu->setObjectName("DemoField");
    auto add = [this, menu](const QString& text, const std::string& command) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QString::fromStdString(command));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, command] { demo_->ChangeField(command); });
    };
    for (const std::string& card : demo_->CardNames())
        add(ui::S(12607).arg(QString::fromStdString(card)), "card " + card);
    add(ui::S(12608), "card none");
    const std::vector<std::string> sets = demo_->TagSetNames();
    if (!sets.empty())
        menu->addSeparator();
    for (const std::string& set : sets)
        add(ui::S(12609).arg(QString::fromStdString(set)), "tags " + set);
    // The checks show what is in the field now (a workbench may have changed it).
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        const std::string card = demo_->CardInField();
        const QString inField[] = {
            QString::fromStdString("card " + (card.empty() ? std::string("none") : card)),
            QString::fromStdString("tags " + demo_->TagsInField())};
        for (QAction* a : menu->actions())
            a->setChecked(a->objectName() == inField[0] || a->objectName() == inField[1]);
    });
}

void CMainFrame::BuildToolBar() {
    auto* bar = addToolBar(QStringLiteral("Standard"));
    toolBar_ = bar;
    bar->setObjectName("ToolBar120");
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(68, 48));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (int id : kToolBar) {
        if (id == 0) {
            bar->addSeparator();
            continue;
        }
        bar->addAction(Action(id));
        if (QWidget* button = bar->widgetForAction(Action(id))) {
            button->setFixedSize(75, 55);
            button->setObjectName(QStringLiteral("tb_%1").arg(id));
        }
    }
}

void CMainFrame::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    idle_ = new QLabel(bar);
    idle_->setObjectName("IdleText");
    bar->addWidget(idle_, 1);
    connect(view_, &CProgrammerView::statusMessage, bar,
            [bar](const QString& text) { bar->showMessage(text); });
    // The idle text stands in for an empty message pane and gives way to any message.
    connect(bar, &QStatusBar::messageChanged, idle_,
            [this](const QString& text) { idle_->setVisible(text.isEmpty()); });
    // A running bar while the reader is searched: a baud rate takes up to five
    // identification tries, so the text alone would stand still for over a second.
    busy_ = new QProgressBar(bar);
    busy_->setObjectName("SearchProgress");
    busy_->setRange(0, 0);
    busy_->setTextVisible(false);
    busy_->setMaximumWidth(120);
    busy_->setVisible(false);
    bar->addPermanentWidget(busy_);
    cancel_ = new QToolButton(bar);
    cancel_->setObjectName("CancelSearch");
    cancel_->setShortcut(QKeySequence(Qt::Key_Escape));
    cancel_->setVisible(false);
    connect(cancel_, &QToolButton::clicked, view_, &CProgrammerView::CancelSearch);
    bar->addPermanentWidget(cancel_);
    note_ = new QLabel(bar);
    note_->setObjectName("StatusNote");
    note_->setVisible(false);
    bar->addPermanentWidget(note_);
    // No key indicator panes: the platform gives no portable way to read the lock keys.
}

void CMainFrame::SetStatusNote(const char* german, const QString& argument) {
    noteText_ = german;
    noteArgument_ = argument;
    note_->setText(german ? ui::L(german).arg(argument) : QString());
    note_->setVisible(german != nullptr);
}

void CMainFrame::SetSearching(bool on) {
    for (QWidget* w : {static_cast<QWidget*>(menuBar()), static_cast<QWidget*>(toolBar_),
                       static_cast<QWidget*>(view_)})
        w->setEnabled(!on);
    // The window's own keys (F1, the document keys) rest too; the cancel button keeps Esc.
    for (QAction* action : actions())
        action->setEnabled(!on);
    cancel_->setVisible(on);
    busy_->setVisible(on);
    if (!on)
        UpdateCommandUi();
}

void CMainFrame::ApplyTexts() {
    for (const CommandText& c : kCommands) {
        QAction* a = Action(c.id);
        a->setText(ui::L(c.german));
        a->setStatusTip(ui::Prompt(c.id));
        a->setToolTip(ui::ToolTip(c.id));
    }
    idle_->setText(ui::Prompt(57345));
    cancel_->setText(ui::L("Abbrechen"));
    SetStatusNote(noteText_, noteArgument_);
    BuildMenu();
    UpdateCommandUi();
}

void CMainFrame::UpdateCommandUi() {
    for (const auto& [id, action] : actions_)
        action->setEnabled(view_->IsCommandEnabled(id));
    Action(32781)->setChecked(language_ == 0);
    Action(32782)->setChecked(language_ == 1);
}

void CMainFrame::InstallQtTranslation(const QString& language) {
    if (qtTranslator_) {
        QCoreApplication::removeTranslator(qtTranslator_.get());
        qtTranslator_.reset();
    }
    if (language == QLatin1String("en"))
        return;
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QStringLiteral("qtbase_") + language,
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator.get());
        qtTranslator_ = std::move(translator);
    }
}

void CMainFrame::SwitchToEnglish() {
    if (language_ == 1)
        return;
    auto translator = std::make_unique<QTranslator>();
    bool loaded = false;
    for (const QString& dir : env_.translationDirs)
        if (translator->load(QStringLiteral("VorexProgrammerEng.qm"), dir)) {
            loaded = true;
            break;
        }
    if (!loaded) {
        env_.messages->Show(this, ui::S(10075), ui::IMessages::Icon::Warning);
        return;
    }
    QCoreApplication::installTranslator(translator.get());
    translator_ = std::move(translator);
    InstallQtTranslation(QStringLiteral("en"));
    language_ = 1;
    ApplyTexts();
}

void CMainFrame::SwitchToGerman() {
    if (language_ == 0)
        return;
    if (translator_) {
        QCoreApplication::removeTranslator(translator_.get());
        translator_.reset();
    }
    InstallQtTranslation(QStringLiteral("de"));
    language_ = 0;
    ApplyTexts();
}

void CMainFrame::OpenManual() {
    // Per folder: the first PDF, else the HTML manual that comes with the program.
    QString manual;
    for (const QString& dir : env_.manualDirs) {
        const QStringList pdfs =
            QDir(dir).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
        if (!pdfs.isEmpty()) {
            manual = QDir(dir).filePath(pdfs.front());
            break;
        }
        const QString html = QDir(dir).filePath(QStringLiteral("manual/index.html"));
        if (QFileInfo::exists(html)) {
            manual = html;
            break;
        }
    }
    if (manual.isEmpty())
        return;
    const int result = env_.openDocument(manual);
    if (result >= 32)
        return;
    if (result == 0)
        env_.messages->Show(this, ui::S(10000), ui::IMessages::Icon::Critical);
    else if (result == 31)
        env_.messages->Show(this, ui::S(10001), ui::IMessages::Icon::Information);
    else
        env_.messages->Show(this, ui::Format(ui::S(10002), result), ui::IMessages::Icon::Critical);
}

void CMainFrame::OpenAboutBox() {
    if (about_) {
        about_->raise();
        return;
    }
    // Not in the middle of a reader search or an exchange (the box may come from the
    // update check at any time): it opens once the reader work is done.
    if (view_->IsSearching() || (env_.waitHook && env_.waitHook->Depth() > 0)) {
        QTimer::singleShot(200, this, &CMainFrame::OpenAboutBox);
        return;
    }
    CAboutDlg dialog(env_, this);
    about_ = &dialog;
    connect(&dialog, &CAboutDlg::exitRequested, this, &QWidget::close, Qt::QueuedConnection);
    dialog.exec();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    view_->CancelSearch();
    ui::WriteProfileInt("Settings", "Sprache", language_);
    if (!isMinimized()) {
        const QPoint topLeft = isMaximized() || isFullScreen() ? normalGeometry().topLeft() : pos();
        ui::WriteProfileInt("Window", "left", topLeft.x());
        ui::WriteProfileInt("Window", "top", topLeft.y());
    }
    SwitchToGerman();
    QMainWindow::closeEvent(event);
}

} // namespace vorex::shell
