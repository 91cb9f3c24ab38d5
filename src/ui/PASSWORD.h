#pragma once
// The small modal dialog in which a password is typed before it is stored
// scrambled for an entry.

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tarvik {

class TPasswordDlg : public QDialog {
    Q_OBJECT
public:
    explicit TPasswordDlg(QWidget *parent = nullptr);
    ~TPasswordDlg() override;

    QLabel *Label1 = nullptr;
    QLineEdit *Password = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;
    QCheckBox *CheckBox1 = nullptr;

    void OKBtnClick();
    void CancelBtnClick();
    void CheckBox1Click();

    // Empty edit, "Montrer" unticked, text masked: how every use begins, so
    // that a password typed for one entry is never shown for the next.
    void Reset();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

// The one password dialog of the program, made at its first use as a child
// of the main window: a start-up never pays for a dialog most menus never show.
extern TPasswordDlg *PasswordDlg;

} // namespace tarvik
