#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class CChangeValueAddr;
}

// "Change Value" for a row of the address watch list: its address and view type for
// reference, and its value to edit, shown selected.
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

    // The value edit's text as typed, set by OK.
    const QString& result() const { return m_result; }

    void accept() override;

private:
    std::unique_ptr<Ui::CChangeValueAddr> m_ui;
    QString m_result;
};
