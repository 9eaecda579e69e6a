#pragma once

#include "queries/RecordQueryWindow.h"

// The department's voided execution records by void date and the user who voided them.
class Frm_TYCX : public RecordQueryWindow {
    Q_OBJECT
public:
    explicit Frm_TYCX(QWidget* parent = nullptr);
};
