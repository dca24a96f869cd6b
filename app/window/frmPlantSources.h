#pragma once

#include "app/core/PlantSourceList.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace tlv::app {

// Chooses a source of a plant database: its libpq URI, then one of the sources listed with
// their rows and first and last time.
class frmPlantSources : public QDialog
{
    Q_OBJECT
public:
    explicit frmPlantSources(const QString &uri, QWidget *parent = nullptr);

    [[nodiscard]] QString uri() const;
    // The chosen source; empty when none is.
    [[nodiscard]] QString source() const;
    // Lists the sources of the URI typed; false with the reason shown in the dialog.
    bool list();
    [[nodiscard]] QTableWidget *table() const { return m_table; }

private:
    QLineEdit *m_uri = nullptr;
    QTableWidget *m_table = nullptr;
    QLabel *m_error = nullptr;
    QPushButton *m_ok = nullptr;
};

} // namespace tlv::app
