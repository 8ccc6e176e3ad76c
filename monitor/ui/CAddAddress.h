#pragma once

#include "monitor/ViewType.h"

#include <QDialog>

#include <cstdint>
#include <memory>

namespace Ui {
class CAddAddress;
}

// "Add Monitoring Address": a run of consecutive target words of one type for the
// address watch list. Typed numbers are read leniently ("0x" for hexadecimal, else
// decimal; no digits read as 0) and never refused; the rows they will add are shown as
// they are typed.
class CAddAddress : public QDialog {
    Q_OBJECT

public:
    explicit CAddAddress(QWidget* parent = nullptr);
    ~CAddAddress() override;

    // Set by OK.
    std::uint32_t startAddress() const { return m_startAddress; }
    std::uint32_t length() const { return m_length; }
    monitor::ViewType viewType() const { return m_viewType; }

    void accept() override;

private:
    void ReadFields();
    void ShowPreview();

    std::unique_ptr<Ui::CAddAddress> m_ui;
    std::uint32_t m_startAddress = 0;
    std::uint32_t m_length = 0;
    monitor::ViewType m_viewType = monitor::HEX16;
};
