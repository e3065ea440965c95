// SPDX-License-Identifier: BSD-3-Clause
#include "gui/About.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QtMath>

#include "gui/Help.h"
#include "gui/ProgramState.h"
#include "gui/QtText.h"
#include "gui/Sizing.h"

namespace dedodiz {

QPixmap ProgramPicture(int size) {
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x3a, 0x5f));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);

    // Six donor atoms of the chelator around the metal, joined by the ligand's backbone.
    QPointF donors[6];
    for (int i = 0; i < 6; ++i) {
        const double angle = qDegreesToRadians(60.0 * i - 90.0);
        donors[i] = QPointF(32 + 20 * qCos(angle), 32 + 20 * qSin(angle));
    }
    p.setPen(QPen(QColor(0xd8, 0xe8, 0xf0), 3));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 6; ++i) p.drawLine(donors[i], donors[(i + 1) % 6]);
    p.setPen(QPen(QColor(0x7f, 0xc8, 0xf8), 1.5, Qt::DashLine));
    for (const QPointF& d : donors) p.drawLine(d, QPointF(32, 32));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe0, 0x40, 0x30));
    for (const QPointF& d : donors) p.drawEllipse(d, 4, 4);

    // The metal ion.
    p.setBrush(QColor(0xf5, 0xb0, 0x30));
    p.drawEllipse(QPointF(32, 32), 9, 9);
    p.setBrush(QColor(0xff, 0xe8, 0xa0));
    p.drawEllipse(QPointF(29.5, 29.5), 3, 3);
    return picture;
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    SetHelpContext(this, 1);

    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setGeometry(8, 8, 291, 161);

    ProgramIcon = new QLabel(frame);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setPixmap(ProgramPicture(64));
    ProgramIcon->setGeometry(16, 16, 64, 64);

    QFont big = font();
    big.setPixelSize(32);
    big.setBold(true);
    ProductName = new QLabel(QStringLiteral("WinTULV"), frame);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    ProductName->setFont(big);
    ProductName->move(92, 22);
    ProductName->adjustSize();

    QFont small = font();
    small.setPixelSize(11);
    Label32 = new QLabel(QStringLiteral("32"), frame);
    Label32->setObjectName(QStringLiteral("Label32"));
    Label32->setFont(small);
    Label32->adjustSize();
    Label32->move(ProductName->geometry().right() + 3,
                  ProductName->geometry().bottom() - Label32->height() - 4);

    Version = new QLabel(QStringLiteral("Version ") + ToQ(kVersion), frame);
    Version->setObjectName(QStringLiteral("Version"));
    Version->setGeometry(96, 96, 180, 20);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    OKButton->setGeometry(116, 184, 75, 28);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    // Drawn for the standard font; a larger desktop font makes the box larger.
    FitPlacesToTexts(this, QSize(307, 230));
}

}  // namespace dedodiz
