#pragma once
// Chooses which blocks of the current tag the ISO 15693 workbench locks: a range of
// block numbers ("Blöcke") or all blocks ("Alle"). The last confirmed range is kept in
// "Settings"/"VonBlock" and "BisBlock".
#include <QDialog>

class QLineEdit;
class QRadioButton;

namespace vorex::ui {
class IMessages;
}

namespace vorex::wb::iso {

class CSelectLockBlocksDlg : public QDialog {
    Q_OBJECT
public:
    CSelectLockBlocksDlg(unsigned highestBlock, ui::IMessages* messages, QWidget* parent = nullptr);

    // 0 = "Blöcke", 1 = "Alle".
    int Mode() const { return mode_; }
    unsigned FromBlock() const { return from_; }
    unsigned ToBlock() const { return to_; }

    void accept() override;

private:
    bool SaveData();

    ui::IMessages* messages_;
    unsigned highest_;
    int mode_ = 0;
    unsigned from_ = 0;
    unsigned to_ = 0;
    QRadioButton* range_;
    QRadioButton* all_;
    QLineEdit* fromEdit_;
    QLineEdit* toEdit_;
};

} // namespace vorex::wb::iso
