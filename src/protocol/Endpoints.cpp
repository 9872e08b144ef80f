#include "protocol/Endpoints.h"

#include "BuildConfig.h"

namespace pellmarch::protocol {

namespace {
QString page(const QString &host, const char *path) {
    return QLatin1String("http://") + host + QLatin1String(path);
}
} // namespace

Endpoints Endpoints::fromBuild() {
    return {QString::fromUtf8(build::kServiceHost), QString::fromUtf8(build::kWebHost),
            QString::fromUtf8(build::kSupportHost), QString::fromUtf8(build::kSignupHost)};
}

Endpoints Endpoints::allAt(const QString &host) {
    return {host, host, host, host};
}

QString Endpoints::serviceUrl(const QString &query) const {
    return page(serviceHost, "/dnslogin.asp") + query;
}

QString Endpoints::helpPage() const {
    return page(webHost, "/support.htm");
}

QString Endpoints::termsPage() const {
    return page(webHost, "/tos.htm");
}

QString Endpoints::forgottenPasswordPage() const {
    return page(supportHost, "/pop_pword.asp");
}

QString Endpoints::signupPage() const {
    return page(signupHost, "/");
}

} // namespace pellmarch::protocol
