#include "ui/PASSWORD.h"

#include "platform/TitleWidth.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace tarvik {

TPasswordDlg *PasswordDlg = nullptr;

TPasswordDlg::TPasswordDlg(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("PasswordDlg"));
    setWindowTitle(QStringLiteral("Mot de passe"));
    setModal(true);
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(11);
    setFont(f);

    Label1 = new QLabel(QStringLiteral("Saisie du mot de passe :"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(8, 9);
    Label1->adjustSize();

    Password = new QLineEdit(this);
    Password->setObjectName(QStringLiteral("Password"));
    Password->setGeometry(8, 27, 217, 21);
    Password->setEchoMode(QLineEdit::Password);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(69, 70, 75, 25);
    OKBtn->setDefault(true);

    CancelBtn = new QPushButton(QStringLiteral("Annuler"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(150, 70, 75, 25);
    CancelBtn->setAutoDefault(false);

    CheckBox1 = new QCheckBox(QStringLiteral("Montrer"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    // As wide as its caption needs in the font at hand (57 pixels held
    // "Montre" only), the dialog widened to hold it and its title whole.
    CheckBox1->setGeometry(231, 25, qMax(57, CheckBox1->sizeHint().width()), 17);
    CheckBox1->setChecked(false);
    setFixedSize(std::max({297, CheckBox1->geometry().right() + 1 + 8, titleBarWidth(windowTitle())}), 122);

    setTabOrder(Password, OKBtn);
    setTabOrder(OKBtn, CancelBtn);
    setTabOrder(CancelBtn, CheckBox1);

    connect(OKBtn, &QPushButton::clicked, this, &TPasswordDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TPasswordDlg::CancelBtnClick);
    connect(CheckBox1, &QCheckBox::toggled, this, &TPasswordDlg::CheckBox1Click);
}

TPasswordDlg::~TPasswordDlg()
{
    if (PasswordDlg == this)
        PasswordDlg = nullptr;
}

void TPasswordDlg::OKBtnClick() { accept(); }

void TPasswordDlg::CancelBtnClick()
{
    Password->clear();
    reject();
}

void TPasswordDlg::CheckBox1Click()
{
    Password->setEchoMode(CheckBox1->isChecked() ? QLineEdit::Normal : QLineEdit::Password);
}

void TPasswordDlg::Reset()
{
    Password->clear();
    CheckBox1->setChecked(false);
    CheckBox1Click();
    setResult(0);
}

void TPasswordDlg::showEvent(QShowEvent *event)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->geometry().center());
        move(frame.topLeft());
    }
    Password->setFocus();
    QDialog::showEvent(event);
}

void TPasswordDlg::keyPressEvent(QKeyEvent *event)
{
    // Escape is the Cancel button's key: it empties the edit like a click.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        CancelBtn->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace tarvik
