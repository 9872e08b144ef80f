#pragma once

#include <QFrame>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace pellmarch::records {

// The record editor frame: one record's domain, record type, name, server address and
// automatic-resolution flag, with "Update" and "Cancel". It takes the record table's place
// while a record is written.
class frameOtherDomain final : public QFrame {
    Q_OBJECT
public:
    static constexpr int kHeightTwips = 3135;
    static inline const QString kNameHint =
        QStringLiteral("Leave blank when changing or adding mx record for root domain address.");
    // Why "Automatic IP Resolution" is off for a record that is no address record.
    static inline const QString kAddressRecordsOnly =
        QStringLiteral("Only address records (type A) can follow this computer's public address.");

    explicit frameOtherDomain(QWidget *parent = nullptr);

    QComboBox *cboDomain = nullptr;
    QComboBox *cboRecordType = nullptr;
    QLineEdit *txtCName = nullptr;
    QLineEdit *txtServerIP = nullptr;
    QPushButton *cmdServerIP = nullptr;
    QCheckBox *chkDomainAutoIP = nullptr;
    QPushButton *cmdCancel = nullptr;
};

} // namespace pellmarch::records
