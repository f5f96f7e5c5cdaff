#include "app/DisplayCheck.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QStringList>
#include <cstring>

namespace {

// Where a Wayland client connects: WAYLAND_DISPLAY is a socket name in
// XDG_RUNTIME_DIR, or a path of its own.
QString WaylandSocket(const QProcessEnvironment& environment) {
  const QString name =
      environment.value(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-0"));
  if (name.startsWith(QLatin1Char('/'))) return name;
  const QString runtime = environment.value(QStringLiteral("XDG_RUNTIME_DIR"));
  return runtime.isEmpty() ? QString() : runtime + QLatin1Char('/') + name;
}

class Attempts {
 public:
  Attempts(const QProcessEnvironment& environment, const DisplayReach& reach)
      : environment_(environment), reach_(reach) {}

  bool X11() {
    const QString display = environment_.value(QStringLiteral("DISPLAY"));
    if (display.isEmpty()) {
      failures_ << QStringLiteral("DISPLAY is not set");
      return false;
    }
    if (reach_.x11(display)) return true;
    failures_ << QStringLiteral("the X display %1 does not answer").arg(display);
    return false;
  }
  bool Wayland() {
    const QString socket = WaylandSocket(environment_);
    if (!socket.isEmpty() && reach_.wayland(socket)) return true;
    failures_ << QStringLiteral("the Wayland display %1 does not answer")
                     .arg(environment_.value(QStringLiteral("WAYLAND_DISPLAY"),
                                             QStringLiteral("wayland-0")));
    return false;
  }
  QString Failures() const { return failures_.join(QStringLiteral("; ")); }

 private:
  const QProcessEnvironment& environment_;
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

std::optional<QString> MissingDisplay(const QProcessEnvironment& environment,
                                      const DisplayReach& reach) {
  Attempts attempts(environment, reach);
  const QString platforms = environment.value(QStringLiteral("QT_QPA_PLATFORM"));
  if (!platforms.isEmpty()) return MissingForPlatforms(platforms, attempts);

  const bool waylandSession =
      !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty() ||
      environment.value(QStringLiteral("XDG_SESSION_TYPE")) == QLatin1String("wayland");
  if (!waylandSession && environment.value(QStringLiteral("DISPLAY")).isEmpty()) {
    return QStringLiteral("DISPLAY and WAYLAND_DISPLAY are not set");
  }
  if (waylandSession && attempts.Wayland()) return std::nullopt;
  if (attempts.X11()) return std::nullopt;
  return attempts.Failures();
}
