#include "app/DisplayCheck.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QStringList>
#include <cstring>

namespace {

// The variable's text; empty when it is not set.
QString ValueOf(const EnvironmentVariable& variable, const char* name) {
  return variable(name).value_or(QString());
}

// Where a Wayland client connects: WAYLAND_DISPLAY is a socket name in
// XDG_RUNTIME_DIR, or a path of its own.
QString WaylandDisplay(const EnvironmentVariable& variable) {
  return variable("WAYLAND_DISPLAY").value_or(QStringLiteral("wayland-0"));
}

QString WaylandSocket(const EnvironmentVariable& variable) {
  const QString name = WaylandDisplay(variable);
  if (name.startsWith(QLatin1Char('/'))) return name;
  const QString runtime = ValueOf(variable, "XDG_RUNTIME_DIR");
  return runtime.isEmpty() ? QString() : runtime + QLatin1Char('/') + name;
}

class Attempts {
 public:
  Attempts(const EnvironmentVariable& variable, const DisplayReach& reach)
      : variable_(variable), reach_(reach) {}

  bool X11() {
    const QString display = ValueOf(variable_, "DISPLAY");
    if (display.isEmpty()) {
      failures_ << QStringLiteral("DISPLAY is not set");
      return false;
    }
    if (reach_.x11(display)) return true;
    failures_ << QStringLiteral("the X display %1 does not answer").arg(display);
    return false;
  }
  bool Wayland() {
    const QString socket = WaylandSocket(variable_);
    if (!socket.isEmpty() && reach_.wayland(socket)) return true;
    failures_
        << QStringLiteral("the Wayland display %1 does not answer").arg(WaylandDisplay(variable_));
    return false;
  }
  QString Failures() const { return failures_.join(QStringLiteral("; ")); }

 private:
  const EnvironmentVariable& variable_;
  const DisplayReach& reach_;
  QStringList failures_;
};

// The platforms named in QT_QPA_PLATFORM, tried in turn as Qt tries them.
std::optional<QString> MissingForPlatforms(const QString& platforms, Attempts& attempts) {
  for (const QString& entry : platforms.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    const QString name = entry.section(QLatin1Char(':'), 0, 0);
    if (name == QLatin1String("xcb")) {
      if (attempts.X11()) return std::nullopt;
    } else if (name.startsWith(QLatin1String("wayland"))) {
      if (attempts.Wayland()) return std::nullopt;
    } else {
      return std::nullopt;
    }
  }
  return attempts.Failures();
}

}  // namespace

DisplayReach SystemDisplayReach() {
  return {[](const QString& display) {
            xcb_connection_t* connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
            const bool answers = xcb_connection_has_error(connection) == 0;
            xcb_disconnect(connection);
            return answers;
          },
          [](const QString& socket) {
            const QByteArray path = socket.toLocal8Bit();
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            if (path.size() >= qsizetype(sizeof address.sun_path)) return false;
            std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (fd < 0) return false;
            const bool answers =
                ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
            ::close(fd);
            return answers;
          }};
}

std::optional<QString> ProgramEnvironmentVariable(const char* name) {
  if (!qEnvironmentVariableIsSet(name)) return std::nullopt;
  return qEnvironmentVariable(name);
}

std::optional<QString> MissingDisplay(const EnvironmentVariable& variable,
                                      const DisplayReach& reach) {
  Attempts attempts(variable, reach);
  const QString platforms = ValueOf(variable, "QT_QPA_PLATFORM");
  if (!platforms.isEmpty()) return MissingForPlatforms(platforms, attempts);

  const bool waylandSession = !ValueOf(variable, "WAYLAND_DISPLAY").isEmpty() ||
                              ValueOf(variable, "XDG_SESSION_TYPE") == QLatin1String("wayland");
  if (!waylandSession && ValueOf(variable, "DISPLAY").isEmpty()) {
    return QStringLiteral("DISPLAY and WAYLAND_DISPLAY are not set");
  }
  if (waylandSession && attempts.Wayland()) return std::nullopt;
  if (attempts.X11()) return std::nullopt;
  return attempts.Failures();
}
