#pragma once

#include "monitor/ViewType.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace Ui {
class CChangeValueAddr;
}

// "Change Value" for a row of the address watch list: its address and view type for
// reference, and its value to edit, shown selected, with what will be written shown as the
// user types; a text that does not convert completely is refused with the reason.
class CChangeValueAddr : public QDialog {
    Q_OBJECT

public:
    struct Fields {
        QString address;
        QString value;
        QString viewTypeName;
    };
    CChangeValueAddr(const Fields& fields, bool monitoring, QWidget* parent = nullptr);
    ~CChangeValueAddr() override;

    // The value edit's text as typed and what it was read as, set by OK.
    const QString& result() const { return m_result; }
    std::optional<std::uint32_t> bits() const { return m_bits; }

    void accept() override;

private:
    void ShowPreview();

    std::unique_ptr<Ui::CChangeValueAddr> m_ui;
    monitor::ViewType m_viewType;
    QString m_result;
    std::optional<std::uint32_t> m_bits;
};
