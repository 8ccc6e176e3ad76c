#include "app/CAboutDlg.h"

#include "ui_CAboutDlg.h"

#include <QIcon>

CAboutDlg::CAboutDlg(const QIcon& icon, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CAboutDlg>())
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    // The layout fixes the size to what the texts need in the font in use.
    m_ui->iconLabel->setPixmap(icon.pixmap(32, 32));
}

CAboutDlg::~CAboutDlg() = default;
