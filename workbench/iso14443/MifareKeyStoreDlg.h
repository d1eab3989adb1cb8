#pragma once
// The reader key-store dialogs: the operator types the keys of the reader's MIFARE key
// store (12 hexadecimal digits each, first two digits = first byte), keeps a default
// set in the settings and loads the keys into the reader. CMifareDefineKeys serves
// stores of 16 Key A / Key B pairs, CMifareReducedKeys stores of 12 single keys.
#include <QDialog>
#include <QString>
#include <vector>

class QLabel;
class QLineEdit;

namespace vorex::ui {
struct ShellEnv;
}

namespace vorex::wb::mfc {

class CKeyStoreDlg : public QDialog {
    Q_OBJECT
public:
    void SetConnection(int handle) { handle_ = handle; }

    int Rows() const { return rows_; }
    int Columns() const { return static_cast<int>(edits_.size()); }
    QLineEdit* KeyEdit(int column, int row) const;
    QLabel* Marker(int column, int row) const;
    QLabel* Pointer() const { return pointer_; }
    QLineEdit* FocusedEdit() const { return focused_; }

    // Buttons.
    void OnStandardKey(const char* key);
    void OnClearAll();
    void OnLoadDefaults();
    void OnSaveDefaults();
    void OnStore();
    void UpdateKeyMarkers(int column);

protected:
    // columns: 2 (Key A and Key B) or 1 (single keys).
    CKeyStoreDlg(ui::ShellEnv& env, int templateId, const QString& title, int rows, int columns,
                 QWidget* parent);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Validates every edit; on the first failure a message box and the focus there.
    bool TakeData();
    void PointAt(QLineEdit* edit);
    const char* Section(int column) const;

    ui::ShellEnv& env_;
    int rows_;
    int handle_ = 0;
    QLabel* pointer_ = nullptr;
    std::vector<std::vector<QLineEdit*>> edits_;
    std::vector<std::vector<QLabel*>> markers_;
    QLineEdit* focused_ = nullptr;
};

// 16 pairs of Key A and Key B (template 227).
class CMifareDefineKeys : public CKeyStoreDlg {
    Q_OBJECT
public:
    explicit CMifareDefineKeys(ui::ShellEnv& env, QWidget* parent = nullptr);
};

// 12 single keys (template 232).
class CMifareReducedKeys : public CKeyStoreDlg {
    Q_OBJECT
public:
    explicit CMifareReducedKeys(ui::ShellEnv& env, QWidget* parent = nullptr);
};

} // namespace vorex::wb::mfc
