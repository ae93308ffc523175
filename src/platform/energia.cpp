#include "energia.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QtDebug>

namespace tarvolin::platform {

namespace {

// logind decides: a user without the right gets a refusal, which is only logged.
class LogindPower final : public Power {
public:
    bool powerOff() override { return ask(QStringLiteral("PowerOff")); }
    bool suspend() override { return ask(QStringLiteral("Suspend")); }

private:
    static bool ask(const QString& method) {
        QDBusConnection bus = QDBusConnection::systemBus();
        if (!bus.isConnected())
            return false;
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), method);
        call << false; // not interactive: nobody may be there to answer a password prompt
        auto* watcher =
            new QDBusPendingCallWatcher(bus.asyncCall(call), QCoreApplication::instance());
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                         [method](QDBusPendingCallWatcher* finished) {
                             if (finished->isError())
                                 qWarning() << method << "refused:" << finished->error().message();
                             finished->deleteLater();
                         });
        return true;
    }
};

LogindPower systemPower;
Power* currentPower = &systemPower;

} // namespace

Power& power() {
    return *currentPower;
}

ScopedPowerOverride::ScopedPowerOverride(Power& replacement) : previous_(currentPower) {
    currentPower = &replacement;
}

ScopedPowerOverride::~ScopedPowerOverride() {
    currentPower = previous_;
}

} // namespace tarvolin::platform
