#include "HelpAboutDialog.h"

#include "app/Version.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

HelpAboutDialog::HelpAboutDialog(QWidget* parent) : QDialog(parent), mainLabel(new QLabel)
{
    setWindowTitle(QStringLiteral("About"));
    mainLabel->setObjectName(QStringLiteral("mainLabel"));
    mainLabel->setTextFormat(Qt::PlainText);
    mainLabel->setText(QStringLiteral("Lumivox ver. ") + VersionText() + QStringLiteral("\n\n") + CreditsText());
    mainLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(mainLabel);
    layout->addWidget(buttons);
}

QString HelpAboutDialog::CreditsText()
{
    return QStringLiteral("Lumivox shows, annotates, segments and measures 3-D image stacks.\n"
                          "\n"
                          "It is built with:\n"
                          "- Qt 5 (Core, Gui, Widgets, OpenGL), used under the GNU Lesser General Public License "
                          "version 3 (LGPL v3), The Qt Company Ltd. and other contributors;\n"
                          "- libtiff, under the libtiff licence, Sam Leffler and Silicon Graphics, Inc.;\n"
                          "- Eigen 3, under the Mozilla Public License 2.0;\n"
                          "- OpenBLAS and LAPACK, under the BSD licence.\n"
                          "\n"
                          "The icons were drawn for Lumivox by its authors and are distributed under the "
                          "licence of Lumivox.");
}
