#include "about/Product.h"

#include "BuildConfig.h"

namespace pellmarch::about {

QString VersionText(int major, int minor) {
    return QString::number(major) + QLatin1Char('.') + QString::number(minor);
}

QString VersionText() {
    return VersionText(build::kVersionMajor, build::kVersionMinor);
}

QString LoginVersionCaption() {
    return QStringLiteral("Login   version ") + VersionText() + QString::fromUtf8(kCaptionNotice);
}

QString MainWindowCaption() {
    return QStringLiteral("Verlund Dynamic DNS version ") + VersionText() +
           QString::fromUtf8(kCaptionNotice);
}

QString AboutTitle(int major, int minor) {
    return QStringLiteral("Verlund Dynamic DNS Version ") + VersionText(major, minor) +
           QLatin1Char('\n') + QString::fromUtf8(kNoticeLine1) + QLatin1Char('\n') +
           QString::fromUtf8(kNoticeLine2);
}

QString AboutTitle() {
    return AboutTitle(build::kVersionMajor, build::kVersionMinor);
}

} // namespace pellmarch::about
