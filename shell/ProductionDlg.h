#pragma once
// "Serienprogrammierung": runs a production job on the open reader connection with the
// production library (the loop vorexctl produce runs): load a job, start and stop, a
// large counter, the last UID and serial, and a list of every tag with its result and
// the reason of each failure, with a tone on pass and on fail.
#include <QDialog>
#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vorex::production {
struct Job;
struct TagReport;
} // namespace vorex::production

namespace vorex::shell {

class CProductionDlg : public QDialog {
    Q_OBJECT
public:
    // `handle`: the open reader connection, for the life of the window.
    explicit CProductionDlg(int handle, QWidget* parent = nullptr);
    ~CProductionDlg() override;

    // Loads a job file; false (with the reason shown in the status line) when refused.
    bool LoadJob(const QString& path);
    // Runs the job until Stop or a fault (the reader or the database gone); the window
    // stays usable between the steps of a tag.
    void Start();
    void Stop() { stop_ = true; }
    // Sets the database: a postgresql:// URL or an SQLite file (empty: the embedded one).
    void SetDatabase(const QString& location);
    // The list entries so far, for tests.
    QStringList Entries() const;
    int Passed() const { return passed_; }

    void reject() override;

private:
    void Report(const production::TagReport& r);

    int handle_;
    std::unique_ptr<production::Job> job_;
    bool running_ = false;
    bool stop_ = false;
    int passed_ = 0;
    QLineEdit* jobEdit_;
    QLineEdit* dbEdit_;
    QLineEdit* stationEdit_;
    QPushButton* start_;
    QPushButton* stopButton_;
    QLabel* counter_;
    QLabel* lastUid_;
    QLabel* lastSerial_;
    QLabel* status_;
    QListWidget* list_;
};

} // namespace vorex::shell
