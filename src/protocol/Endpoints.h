#pragma once

#include <QString>

namespace pellmarch::protocol {

// Where the service and its web pages live. The build fixes the values; tests point a client
// at a service of their own.
struct Endpoints {
    QString serviceHost; // host[:port] of the service endpoint
    QString webHost;     // online help and terms of service
    QString supportHost; // forgotten password
    QString signupHost;  // sign-up

    static Endpoints fromBuild();
    // Every host set to `host`: one local service that serves all of it.
    static Endpoints allAt(const QString &host);

    // "http://" + service host + "/dnslogin.asp" + query (which begins with "?").
    QString serviceUrl(const QString &query) const;
    QString helpPage() const;
    QString termsPage() const;
    QString forgottenPasswordPage() const;
    QString signupPage() const;
};

} // namespace pellmarch::protocol
