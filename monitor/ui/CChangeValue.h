#pragma once

#include "monitor/TextSpan.h"
#include "monitor/WritePolicy.h"
#include "monitor/ViewType.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace Ui {
class CChangeValue;
}

// "Change Value" for a row of the symbol watch list: the symbol's name, view type and
// size for reference, and its value to edit, shown selected so that typing replaces it.
// Below the edit it shows, as the user types, what will be written; a text that does not
// convert completely for the view type is refused with the reason and the dialog stays.
class CChangeValue : public QDialog {
    Q_OBJECT

public:
    struct Fields {
        QString symbolName;
        QString value;
        QString viewTypeName;
        QString dataSize;
        monitor::TextSpan text; // what an ASCII text may fill; by default what dataSize gives
        // A bit field or an enum the ELF typed: its value is read by the core's write
        // rule (the field's range, the enumerators' names), and an enum's names complete.
        std::optional<monitor::WriteTarget> typedTarget;
    };
    // `monitoring`: whether a confirmed value goes out now; otherwise the dialog notes
    // that it is written only while monitoring runs.
    CChangeValue(const Fields& fields, bool monitoring, QWidget* parent = nullptr);
    ~CChangeValue() override;

    // The text to write, set by OK: for an ASCII symbol cut to what its words hold with
    // the terminating zero, for every other type the text as typed.
    const QString& result() const { return m_result; }
    // What OK read the text as (every type but ASCII).
    std::optional<std::uint32_t> bits() const { return m_bits; }

    void accept() override;

private:
    void ShowPreview();
    monitor::TextSpan TextRoom() const;
    // The typed target's plan for the text, when the core's rule reads it.
    std::optional<monitor::WritePlan> TypedPlan(const QString& typed) const;

    std::unique_ptr<Ui::CChangeValue> m_ui;
    Fields m_fields;
    monitor::ViewType m_viewType;
    QString m_result;
    std::optional<std::uint32_t> m_bits;
};
