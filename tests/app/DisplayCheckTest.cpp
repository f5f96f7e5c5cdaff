// Which display the window would be shown on, over fake display servers.
// (The real executable without any display: CommandLineTest.)
#include <gtest/gtest.h>

#include "app/DisplayCheck.h"
#include "tests/support/QtPrinters.h"

namespace {

struct FakeServers {
  QStringList answeringX;
  QStringList answeringWayland;
  QStringList asked;
  DisplayReach Reach() {
    return {[this](const QString& display) {
              asked << "X " + display;
              return answeringX.contains(display);
            },
            [this](const QString& socket) {
              asked << "Wayland " + socket;
              return answeringWayland.contains(socket);
            }};
  }
};

EnvironmentVariable Environment(const QList<std::pair<QString, QString>>& variables) {
  return [variables](const char* name) -> std::optional<QString> {
    for (const auto& [set, value] : variables) {
      if (set == QLatin1String(name)) return value;
    }
    return std::nullopt;
  };
}

}  // namespace

TEST(DisplayCheck, AsksTheServersQtWouldTryInItsOrder) {
  const struct {
    QList<std::pair<QString, QString>> environment;
    QStringList answering;  // "X :0" or "Wayland <socket>"
    std::optional<QString> missing;
    QStringList asked;
  } cases[] = {
      {{{"DISPLAY", ":0"}}, {"X :0"}, std::nullopt, {"X :0"}},
      {{{"QT_QPA_PLATFORM", "offscreen"}}, {}, std::nullopt, {}},
      {{{"QT_QPA_PLATFORM", "vnc:size=800x600"}, {"DISPLAY", ":0"}}, {}, std::nullopt, {}},
      {{{"QT_QPA_PLATFORM", "wayland;xcb"},
        {"WAYLAND_DISPLAY", "wayland-1"},
        {"XDG_RUNTIME_DIR", "/run/user/1000"},
        {"DISPLAY", ":0"}},
       {"X :0"},
       std::nullopt,
       {"Wayland /run/user/1000/wayland-1", "X :0"}},
      {{{"XDG_SESSION_TYPE", "wayland"}, {"XDG_RUNTIME_DIR", "/run/user/1000"}},
       {"Wayland /run/user/1000/wayland-0"},
       std::nullopt,
       {"Wayland /run/user/1000/wayland-0"}},
      {{{"WAYLAND_DISPLAY", "/tmp/compositor"}, {"DISPLAY", ":1"}},
       {"Wayland /tmp/compositor"},
       std::nullopt,
       {"Wayland /tmp/compositor"}},
      // Set but empty is not unset: no "wayland-0" stands in for it.
      {{{"XDG_SESSION_TYPE", "wayland"},
        {"WAYLAND_DISPLAY", ""},
        {"XDG_RUNTIME_DIR", "/run/user/1000"},
        {"DISPLAY", ":0"}},
       {"X :0"},
       std::nullopt,
       {"Wayland /run/user/1000/", "X :0"}},
      {{{"WAYLAND_DISPLAY", "wayland-0"}},
       {},
       "the Wayland display wayland-0 does not answer; DISPLAY is not set",
       {}},
      {{{"QT_QPA_PLATFORM", "wayland"}, {"DISPLAY", ":0"}, {"XDG_RUNTIME_DIR", "/run/user/1000"}},
       {"X :0"},
       "the Wayland display wayland-0 does not answer",
       {"Wayland /run/user/1000/wayland-0"}},
  };
  for (const auto& [variables, answering, missing, asked] : cases) {
    FakeServers servers;
    for (const QString& server : answering) {
      (server.startsWith("X ") ? servers.answeringX : servers.answeringWayland)
          << server.mid(server.indexOf(' ') + 1);
    }
    const QString label = answering.join(", ") + " answering";
    EXPECT_EQ(MissingDisplay(Environment(variables), servers.Reach()), missing)
        << label.toStdString();
    EXPECT_EQ(servers.asked, asked) << label.toStdString();
  }
}
