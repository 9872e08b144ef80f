#pragma once

#include <QString>

namespace pellmarch::protocol {

// The logged-in subscriber's profile: one instance for the whole run, filled by the login and
// kept current by the record commands and the address query. Never cleared: a new login
// overwrites it field by field.
class clsUser {
public:
    QString sUsername;
    QString sPassword;
    QString sIPAddress;
    QString sFirstName;
    QString sLastName;
    QString sDomain;     // own record's domain (own-sub-domain mode)
    QString sRecordType; // own record's type (own-sub-domain mode)
    QString sDomainUserRecords;
    QString sDomainList;
    QString sSubDomain;
    QString sRecordTypeList;
    bool bVerlundOnly = false;
};

} // namespace pellmarch::protocol
