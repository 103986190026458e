#include "app/AboutDlg.h"

#include "app/ConvertApp.h"
#include "app/DialogUnits.h"

#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent) {
    setWindowTitle(QString::fromLatin1(kTitle));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    CDialogUnits units(font());
    setFixedSize(units.MapSize(235, 55));

    auto* pIcon = new QLabel(this);
    QRect rcIcon = units.MapRect(11, 17, 20, 20);
    int nSide = qMin(rcIcon.width(), rcIcon.height());
    pIcon->setGeometry(rcIcon.x(), rcIcon.y(), nSide, nSide);
    pIcon->setPixmap(CConvertApp::AppIcon().pixmap(QSize(nSide, nSide), devicePixelRatioF()));

    auto* pName = new QLabel(QString::fromLatin1(kName), this);
    pName->setTextFormat(Qt::PlainText);
    pName->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    pName->setGeometry(units.MapRect(40, 10, 119, 8));

    auto* pNotice = new QLabel(QString::fromLatin1(kNotice), this);
    pNotice->setTextFormat(Qt::PlainText);
    pNotice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    pNotice->setGeometry(units.MapRect(40, 25, 119, 23));

    auto* pOk = new QPushButton(QStringLiteral("OK"), this);
    pOk->setGeometry(units.MapRect(178, 34, 50, 14));
    pOk->setDefault(true);
    connect(pOk, &QPushButton::clicked, this, &QDialog::accept);
    pOk->setFocus();
}
