#include "shell/AboutDlg.h"

#include "ui/Texts.h"
#include "update/InstallerDownload.h"
#include "update/UpdateService.h"
#include <vorex/vorex.h>

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>
#include <cerrno>

namespace vorex::shell {

namespace up = vorex::update;

namespace {

const QColor kRed(255, 0, 0);
const QColor kDarkRed(192, 0, 0);
const QColor kGrey(128, 128, 128);
const QColor kLinkBlue(0, 0, 255);

// The maker's addresses (this program's own).
const QString kMail = QStringLiteral("info@vorex-rfid.example");
const QString kWeb = QStringLiteral("https://www.vorex-rfid.example");

// Texts from the update server are shown as plain text, without control characters and
// cut to a length that fits the dialog.
constexpr int kOutsideTextMax = 40;

QString OutsideText(const std::string& text) {
    QString shown;
    for (const QChar c : QString::fromStdString(text).left(kOutsideTextMax + 1))
        if (!c.isNull() && c.category() != QChar::Other_Control && c != QChar::ReplacementCharacter)
            shown += c;
    if (shown.size() > kOutsideTextMax)
        shown = shown.left(kOutsideTextMax - 1) + QChar(0x2026);
    return shown;
}

void Paint(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace

CClickLabel::CClickLabel(QWidget* parent) : QLabel(parent) {}

void CClickLabel::SetClickable(bool on) {
    clickable_ = on;
    if (on)
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

void CClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (clickable_ && event->button() == Qt::LeftButton &&
        rect().contains(event->position().toPoint()))
        emit clicked();
}

CAboutDlg::CAboutDlg(ui::ShellEnv& env, QWidget* parent) : QDialog(parent), env_(env) {
    env_.FillDefaults();
    setObjectName("100");
    up::CUpdateService* updates = env_.updates;
    const QString version = updates ? updates->OwnVersion() : QStringLiteral("-.--");
    const QString build = updates ? updates->OwnBuild() : QString();
    setWindowTitle(ui::L("Info über Vorex Programmer") + ' ' + version + " (" + build + ')');

    auto* grid = new QGridLayout(this);
    auto* picture = new QLabel(this);
    picture->setObjectName("102");
    picture->setPixmap(QPixmap(QStringLiteral(":/vorex/images/tb_57664.png")));
    grid->addWidget(picture, 0, 0, 4, 1, Qt::AlignTop);

    auto* title = new QLabel(ui::S(57344) + " V" + version, this);
    title->setTextFormat(Qt::PlainText);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    grid->addWidget(title, 0, 1);
    auto* sdk =
        new QLabel(QString::asprintf("SDK Version %.02f", VOREX_GetSdkVersion() / 100.0), this);
    sdk->setObjectName("101");
    grid->addWidget(sdk, 1, 1);
    grid->addWidget(
        new QLabel(ui::L("Programmierstation für 13,56 MHz RFID-Leser\n© 2026 Vorex RFID"), this),
        2, 1);

    auto link = [this](const QString& objectName, const QString& text, const QUrl& url) {
        auto* label = new CClickLabel(this);
        label->setObjectName(objectName);
        label->setText(text);
        QFont font = label->font();
        font.setUnderline(true);
        label->setFont(font);
        Paint(label, kLinkBlue);
        label->SetClickable(true);
        connect(label, &CClickLabel::clicked, this, [this, url] { env_.openUrl(url); });
        return label;
    };
    grid->addWidget(link("103", kMail, QUrl(QStringLiteral("mailto:") + kMail)), 3, 1);
    grid->addWidget(link("104", kWeb, QUrl(kWeb)), 4, 1);

    for (auto** label : {&program_, &reader_}) {
        *label = new CClickLabel(this);
        (*label)->setTextFormat(Qt::PlainText);
        QFont italic = (*label)->font();
        italic.setItalic(true);
        (*label)->setFont(italic);
        Paint(*label, kGrey);
    }
    program_->setObjectName("105");
    reader_->setObjectName("106");
    grid->addWidget(program_, 5, 0, 1, 2);
    grid->addWidget(reader_, 6, 0, 1, 2);
    // A click on an offer starts its download; a click on the label of the running
    // download cancels it.
    connect(program_, &CClickLabel::clicked, this, [this] { ClickOnOffer(program_, programUrl_); });
    connect(reader_, &CClickLabel::clicked, this, [this] { ClickOnOffer(reader_, readerUrl_); });

    autoCheck_ = new QCheckBox(ui::L("automatisch auf neue Version prüfen"), this);
    autoCheck_->setObjectName("1058");
    autoCheck_->setChecked(ui::ProfileInt("Version", "Update", 1) != 0);
    grid->addWidget(autoCheck_, 7, 0, 1, 2);
    auto* ok = new QPushButton(ui::L("OK"), this);
    ok->setObjectName("1");
    ok->setDefault(true);
    grid->addWidget(ok, 8, 1, Qt::AlignRight);
    connect(ok, &QPushButton::clicked, this, &CAboutDlg::accept);

    if (updates) {
        connect(&updates->Program(), &up::CUpdateCheck::finished, this, &CAboutDlg::RefreshLabels);
        connect(&updates->Reader(), &up::CUpdateCheck::finished, this, &CAboutDlg::RefreshLabels);
        connect(updates, &up::CUpdateService::readerIdentified, this, &CAboutDlg::RefreshLabels);
        // Opening the about box asks the server (also with automatic checking off).
        updates->StartProgram(false);
        updates->StartReader();
    }
    RefreshLabels();
}

CAboutDlg::~CAboutDlg() {
    if (download_ && download_->IsRunning())
        QApplication::restoreOverrideCursor();
}

void CAboutDlg::RefreshLabels() {
    if (download_ && download_->IsRunning())
        return; // the clicked label says 604 until the download ends
    RefreshProgram();
    RefreshReader();
}

void CAboutDlg::RefreshProgram() {
    up::CUpdateService* updates = env_.updates;
    if (updates && updates->Program().IsRunning())
        return;
    const up::Verdict verdict = updates ? updates->ProgramVerdict() : up::Verdict::NoConnection;
    const up::Offer offer = updates ? updates->ProgramOffer() : up::Offer{};
    programUrl_.clear();
    switch (verdict) {
    case up::Verdict::Update:
        program_->setText(ui::S(600) + ui::S(57344) + " => V " + OutsideText(offer.version) + " (" +
                          OutsideText(offer.build) + ')');
        programUrl_ = QString::fromStdString(offer.installer);
        Paint(program_, kDarkRed);
        break;
    case up::Verdict::Current:
        program_->setText(ui::S(57344) + ui::S(601));
        Paint(program_, kGrey);
        break;
    case up::Verdict::NoFile:
        program_->setText(ui::S(603));
        Paint(program_, kRed);
        break;
    default:
        program_->setText(ui::S(602));
        Paint(program_, kRed);
        break;
    }
    program_->SetClickable(verdict == up::Verdict::Update);
}

void CAboutDlg::RefreshReader() {
    up::CUpdateService* updates = env_.updates;
    readerUrl_.clear();
    reader_->SetClickable(false);
    Paint(reader_, kGrey);
    if (!updates || updates->Reader().IsRunning()) {
        reader_->clear();
        return;
    }
    up::CUpdateSource& source = updates->Reader().Source();
    const QString model = QString::fromStdString(source.ModelName());
    const QString current = QString::fromStdString(source.CurrentVersion());
    switch (source.ReaderVerdict()) {
    case up::Verdict::Empty:
        reader_->clear();
        break;
    case up::Verdict::Update: {
        const up::Offer offer = source.ReaderOffer();
        reader_->setText(ui::L("Update ") + model + " V" + current + " => V" +
                         OutsideText(offer.version));
        readerUrl_ = QString::fromStdString(offer.installer);
        Paint(reader_, kDarkRed);
        reader_->SetClickable(true);
        break;
    }
    case up::Verdict::NoConnection:
        reader_->setText(ui::S(602));
        Paint(reader_, kRed);
        break;
    default:
        reader_->setText(model + " V" + current + ' ' + ui::S(601));
        break;
    }
}

void CAboutDlg::ClickOnOffer(CClickLabel* label, const QString& url) {
    if (download_ && download_->IsRunning()) {
        if (label == downloading_) {
            cancelled_ = true;
            download_->Cancel();
        }
        return;
    }
    StartInstaller(label, url);
}

void CAboutDlg::StartInstaller(CClickLabel* label, const QString& url) {
    if (!env_.updates || (download_ && download_->IsRunning()))
        return;
    savedText_ = label->text();
    label->setText(ui::S(604));
    label->repaint();
    up::CUpdateService& updates = *env_.updates;
    download_ = std::make_unique<up::CInstallerDownload>(updates.Network(), updates.Settings());
    connect(download_.get(), &up::CInstallerDownload::finished, this, &CAboutDlg::OnDownloaded);
    if (!download_->Start(url, updates.Settings().installerFolder)) {
        label->setText(savedText_);
        env_.messages->Show(this, DownloadFailedText(download_->ErrorText()),
                            ui::IMessages::Icon::Warning);
        return;
    }
    downloading_ = label;
    cancelled_ = false;
    QApplication::setOverrideCursor(Qt::BusyCursor);
}

QString CAboutDlg::DownloadFailedText(const QString& why) {
    return QStringLiteral("The download failed:\n%1").arg(why);
}

void CAboutDlg::OnDownloaded(const QString& path) {
    QApplication::restoreOverrideCursor();
    CClickLabel* label = downloading_;
    downloading_ = nullptr;
    if (label)
        label->setText(savedText_);
    if (path.isEmpty() && !cancelled_)
        env_.messages->Show(this, DownloadFailedText(download_->ErrorText()),
                            ui::IMessages::Icon::Warning);
    if (!path.isEmpty() && RunInstaller(path)) {
        emit exitRequested();
        accept();
    }
}

// The installer is not run from here: it is handed to the desktop (package installer or
// file manager), which asks the user.
bool CAboutDlg::RunInstaller(const QString& path) {
    if (!QFileInfo::exists(path)) {
        env_.messages->Show(this, QStringLiteral("The File\n\"%1\"\ndoes not exist!").arg(path),
                            ui::IMessages::Icon::Warning);
        return false;
    }
    errno = 0;
    const int result = env_.openDocument(path);
    if (result > 32)
        return true;
    env_.messages->Show(this,
                        QStringLiteral("The File\n\"%1\"\ncan not be started!\nError %2 %3 %4")
                            .arg(path)
                            .arg(result)
                            .arg(0)
                            .arg(errno),
                        ui::IMessages::Icon::Warning);
    return false;
}

void CAboutDlg::SaveCheckBox() {
    ui::WriteProfileInt("Version", "Update", autoCheck_->isChecked() ? 1 : 0);
}

void CAboutDlg::accept() {
    SaveCheckBox();
    QDialog::accept();
}

void CAboutDlg::reject() {
    SaveCheckBox();
    QDialog::reject();
}

} // namespace vorex::shell
