#pragma once

#include "monitor/ViewType.h"

#include <QString>

#include <cstdint>
#include <optional>

// What a typed value will do before it is confirmed: "12.5 as FLOAT: 0x41480000", or why
// it cannot be written. A text that does not convert completely is never written: a
// typo must not reach a running target as 0.
struct ValuePreview {
    std::optional<std::uint32_t> bits; // what is written; nullopt when refused
    QString text;                      // shown and spoken beside the value edit

    static ValuePreview Of(const QString& typed, monitor::ViewType viewType);
};

class QLabel;
class QLineEdit;

// A refused value: the reason alerts assistive technology, and the edit takes focus
// again, so the dialog stays open with nothing written.
void AlertRefusal(QLabel* preview, QLineEdit* edit);

// Shows a preview or a refusal whole: a wrapped label's height follows its width, which
// a dialog's layout does not ask, so the label is given the lines the text needs and the
// dialog grows to them.
void ShowPreviewText(QLabel* preview, const QString& text);

// What "Add Address" will add: "Adds 0x000100" or "Adds 3 rows, 0x000100 to 0x000104".
QString AddAddressPreview(std::uint32_t start, std::uint32_t length, monitor::ViewType viewType,
                          std::uint32_t maxRows);
