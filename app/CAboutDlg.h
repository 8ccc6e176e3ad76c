#pragma once

#include <QDialog>

#include <memory>

class QIcon;

namespace Ui {
class CAboutDlg;
}

// "About Quobin": the program's icon, its version line and the maker.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    CAboutDlg(const QIcon& icon, QWidget* parent = nullptr);
    ~CAboutDlg() override;

private:
    std::unique_ptr<Ui::CAboutDlg> m_ui;
};
