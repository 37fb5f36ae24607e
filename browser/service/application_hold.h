// A reason for the shell to keep running: GApplication's hold while it exists, released when
// it goes. The shell ends by GApplication's inactivity timeout once nothing holds it.
#pragma once

#include <giomm/application.h>

#include <utility>

namespace veltrano::browser {

class ApplicationHold {
 public:
  explicit ApplicationHold(Gio::Application& app) : m_app(&app) { app.hold(); }
  ~ApplicationHold() {
    if (m_app) m_app->release();
  }
  ApplicationHold(ApplicationHold&& other) noexcept : m_app(std::exchange(other.m_app, nullptr)) {}
  ApplicationHold(const ApplicationHold&) = delete;
  ApplicationHold& operator=(const ApplicationHold&) = delete;
  ApplicationHold& operator=(ApplicationHold&&) = delete;

 private:
  Gio::Application* m_app;
};

}  // namespace veltrano::browser
