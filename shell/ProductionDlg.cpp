#include "shell/ProductionDlg.h"

#include "production/Job.h"
#include "production/Journal.h"
#include "production/RecordStore.h"
#include "production/Station.h"
#include "ui/Texts.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHostInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <cstdlib>

namespace vorex::shell {

namespace vp = vorex::production;

CProductionDlg::CProductionDlg(int handle, QWidget* parent)
    : QDialog(parent), handle_(handle), job_(std::make_unique<vp::Job>()) {
    setObjectName("Production");
    setWindowTitle(ui::S(12701));
    auto* grid = new QGridLayout(this);
    jobEdit_ = new QLineEdit(this);
    jobEdit_->setReadOnly(true);
    auto* load = new QPushButton(ui::S(12703), this);
    dbEdit_ = new QLineEdit(this);
    dbEdit_->setPlaceholderText(ui::S(12705));
    stationEdit_ = new QLineEdit(QHostInfo::localHostName(), this);
    start_ = new QPushButton(ui::S(12707), this);
    start_->setEnabled(false);
    stopButton_ = new QPushButton(ui::S(12708), this);
    stopButton_->setEnabled(false);
    counter_ = new QLabel(QStringLiteral("0"), this);
    QFont big = counter_->font();
    big.setPointSize(big.pointSize() * 4);
    big.setBold(true);
    counter_->setFont(big);
    counter_->setAlignment(Qt::AlignCenter);
    lastUid_ = new QLabel(this);
    lastSerial_ = new QLabel(this);
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    list_ = new QListWidget(this);
    grid->addWidget(new QLabel(ui::S(12702), this), 0, 0);
    grid->addWidget(jobEdit_, 0, 1);
    grid->addWidget(load, 0, 2);
    grid->addWidget(new QLabel(ui::S(12704), this), 1, 0);
    grid->addWidget(dbEdit_, 1, 1, 1, 2);
    grid->addWidget(new QLabel(ui::S(12706), this), 2, 0);
    grid->addWidget(stationEdit_, 2, 1, 1, 2);
    grid->addWidget(counter_, 3, 0, 1, 3);
    grid->addWidget(new QLabel(ui::S(12709), this), 4, 0);
    grid->addWidget(lastUid_, 4, 1, 1, 2);
    grid->addWidget(new QLabel(ui::S(12710), this), 5, 0);
    grid->addWidget(lastSerial_, 5, 1, 1, 2);
    grid->addWidget(list_, 6, 0, 1, 3);
    grid->addWidget(status_, 7, 0, 1, 3);
    grid->addWidget(start_, 8, 1);
    grid->addWidget(stopButton_, 8, 2);
    connect(load, &QPushButton::clicked, this, [this] {
        const QString path =
            QFileDialog::getOpenFileName(this, ui::S(12703), QString(), ui::S(12711) + " (*.json)");
        if (!path.isEmpty())
            LoadJob(path);
    });
    connect(start_, &QPushButton::clicked, this, &CProductionDlg::Start);
    connect(stopButton_, &QPushButton::clicked, this, &CProductionDlg::Stop);
    resize(560, 560);
}

CProductionDlg::~CProductionDlg() = default;

bool CProductionDlg::LoadJob(const QString& path) {
    const vp::JobLoad load = vp::LoadJobFile(path.toStdString());
    if (!load.ok) {
        status_->setText(QString::fromStdString(load.error));
        start_->setEnabled(false);
        return false;
    }
    *job_ = load.job;
    jobEdit_->setText(QDir::toNativeSeparators(path));
    status_->setText(QString::fromStdString(load.job.name));
    start_->setEnabled(!running_);
    return true;
}

void CProductionDlg::SetDatabase(const QString& location) {
    dbEdit_->setText(location);
}

QStringList CProductionDlg::Entries() const {
    QStringList out;
    for (int i = 0; i < list_->count(); ++i)
        out << list_->item(i)->text();
    return out;
}

void CProductionDlg::Report(const vp::TagReport& r) {
    const bool passed = r.kind == vp::TagReport::Kind::Passed;
    passed_ += passed;
    counter_->setText(QString::number(passed_));
    lastUid_->setText(QString::fromStdString(r.uid));
    lastSerial_->setText(QString::fromStdString(r.serialText));
    const int result = passed ? 12712 : r.kind == vp::TagReport::Kind::Void ? 12713 : 12714;
    QString text = ui::S(result) + "  " + QString::fromStdString(r.uid);
    if (!r.serialText.empty())
        text += "  " + QString::fromStdString(r.serialText);
    if (!r.error.empty())
        text += ": " + QString::fromStdString(r.error);
    auto* item = new QListWidgetItem(text, list_);
    item->setForeground(passed ? Qt::darkGreen : Qt::red);
    list_->scrollToItem(item);
    // One tone for a pass, two for a failure.
    QApplication::beep();
    if (!passed && r.kind == vp::TagReport::Kind::Void)
        QApplication::beep();
}

void CProductionDlg::Start() {
    if (running_ || job_->name.empty())
        return;
    const std::string dataFile =
        vp::DefaultDatabasePath(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    const std::string location =
        dbEdit_->text().trimmed().isEmpty() ? dataFile : dbEdit_->text().trimmed().toStdString();
    const std::string station = stationEdit_->text().trimmed().isEmpty()
                                    ? std::string("station")
                                    : stationEdit_->text().trimmed().toStdString();
    if (location.empty()) {
        status_->setText(ui::S(12715));
        return;
    }
    const QString dataDir = QFileInfo(QString::fromStdString(dataFile)).absolutePath();
    QDir().mkpath(dataDir);
    std::unique_ptr<vp::RecordStore> store;
    try {
        store = vp::OpenStore(location);
    } catch (const vp::StoreError& e) {
        status_->setText(QString::fromStdString(e.what()));
        return;
    }
    running_ = true;
    stop_ = false;
    start_->setEnabled(false);
    stopButton_->setEnabled(true);
    status_->setText(ui::S(12716));
    vp::StationOptions options;
    options.station = station;
    options.journalPath =
        vp::DefaultJournalPath(dataFile.empty() ? "." : dataDir.toStdString(), job_->name, station);
    // The window stays usable: events are handled whenever the loop looks for a stop.
    options.stopRequested = [this] {
        QApplication::processEvents();
        return stop_;
    };
    options.onStore = [this](const std::string& problem) {
        status_->setText(problem.empty() ? ui::S(12716) : QString::fromStdString(problem));
    };
    vp::Station runner(handle_, *job_, *store, options);
    const vp::RunSummary s = runner.Run([this](const vp::TagReport& r) { Report(r); });
    running_ = false;
    start_->setEnabled(true);
    stopButton_->setEnabled(false);
    status_->setText(s.error.empty() ? ui::S(12717) : QString::fromStdString(s.error));
}

void CProductionDlg::reject() {
    if (running_) { // ends the run first; the window closes when asked again
        stop_ = true;
        return;
    }
    QDialog::reject();
}

} // namespace vorex::shell
