#include "framework/sdl/x11_clipboard.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <png.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

#include "framework/sdl/x11_errors.h"

namespace fw::sdl {

namespace {

void Put16(std::string& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
}

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))
      ->append(reinterpret_cast<const char*>(data), length);
}
void PngFlush(png_structp) {}

// Errors on the clipboard's own connection (a requestor window that went away
// while it was being answered) are no reason to end the program, which is
// what Xlib's default handler does; errors on other connections go on to the
// handler there was before.
std::atomic<Display*> g_ownDisplay{nullptr};
XErrorHandler g_previousHandler = nullptr;

int OnXError(Display* display, XErrorEvent* error) {
  if (display == g_ownDisplay.load()) return 0;
  return g_previousHandler ? g_previousHandler(display, error) : 0;
}

// One paste being sent in pieces: the next piece goes when the requestor has
// deleted the property holding the last one.
struct Transfer {
  Window requestor = 0;
  Atom property = 0;
  Atom type = 0;
  std::string data;  // copied, so a new copy meanwhile does not change it
  std::size_t sent = 0;
  bool finished = false;
  std::chrono::steady_clock::time_point last;
};

class ClipboardOwner {
 public:
  ~ClipboardOwner() { Stop(); }

  bool Publish(std::string png, std::string bmp) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!StartLocked()) return false;
    m_pendingPng = std::move(png);
    m_pendingBmp = std::move(bmp);
    const std::uint64_t wanted = ++m_requested;
    Wake();
    // The thread answers once it owns the selection or knows it cannot.
    m_cv.wait_for(lock, std::chrono::seconds(2), [&] { return m_answered >= wanted || m_dead; });
    return m_answered >= wanted && m_owned;
  }

  void Stop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_thread.joinable()) return;
    m_stop = true;
    Wake();
    lock.unlock();
    // The process may be ending from the serving thread itself.
    if (m_thread.get_id() == std::this_thread::get_id()) {
      m_thread.detach();
      return;
    }
    m_thread.join();
    lock.lock();
    if (m_pipe[0] >= 0) close(m_pipe[0]);
    if (m_pipe[1] >= 0) close(m_pipe[1]);
    m_pipe[0] = m_pipe[1] = -1;
    m_stop = false;
    m_dead = false;
    m_owned = false;
  }

  void SetChunkLimit(std::size_t bytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_chunkLimit = bytes;
  }

 private:
  bool StartLocked() {
    if (m_thread.joinable() && !m_dead) return true;
    if (m_thread.joinable()) {
      m_mutex.unlock();
      m_thread.join();
      m_mutex.lock();
    }
    static const bool handlerSet = [] {
      g_previousHandler = XSetErrorHandler(OnXError);
      return true;
    }();
    (void)handlerSet;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    SurviveConnectionLoss(display);
    g_ownDisplay = display;
    if (m_pipe[0] < 0 && pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
      XCloseDisplay(display);
      ForgetConnection(display);
      return false;
    }
    m_dead = false;
    m_thread = std::thread([this, display] { Serve(display); });
    return true;
  }

  void Wake() {
    if (m_pipe[1] >= 0) {
      const char c = 1;
      [[maybe_unused]] ssize_t n = write(m_pipe[1], &c, 1);
    }
  }

  // --- the serving thread; it alone uses the display.
  void Serve(Display* d) {
    m_display = d;
    const int screen = DefaultScreen(d);
    XSetWindowAttributes attributes{};
    attributes.event_mask = PropertyChangeMask;
    m_window = XCreateWindow(d, RootWindow(d, screen), -10, -10, 1, 1, 0, CopyFromParent, InputOnly,
                             CopyFromParent, CWEventMask, &attributes);
    m_clipboard = XInternAtom(d, "CLIPBOARD", False);
    m_targets = XInternAtom(d, "TARGETS", False);
    m_timestamp = XInternAtom(d, "TIMESTAMP", False);
    m_png = XInternAtom(d, "image/png", False);
    m_bmp = XInternAtom(d, "image/bmp", False);
    m_incr = XInternAtom(d, "INCR", False);
    m_stampProperty = XInternAtom(d, "PIPPALEE_TIME", False);
    long maxRequest = XExtendedMaxRequestSize(d);
    if (maxRequest == 0) maxRequest = XMaxRequestSize(d);
    // Room for the request's own header; requests are counted in 4-byte units.
    m_serverChunk = static_cast<std::size_t>(maxRequest) * 4 - 1024;
    XFlush(d);

    bool running = true;
    while (running) {
      // Every call on a lost connection fails at once: the service is over.
      if (ConnectionLost(d)) break;
      pollfd fds[2] = {{ConnectionNumber(d), POLLIN, 0}, {m_pipe[0], POLLIN, 0}};
      if (!XPending(d)) poll(fds, 2, 1000);
      if (fds[1].revents & POLLIN) {
        char buffer[64];
        while (read(m_pipe[0], buffer, sizeof buffer) > 0) {
        }
      }
      bool take = false;
      std::string png, bmp;
      std::uint64_t request = 0;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stop) running = false;
        if (running && m_requested > m_answered) {
          take = true;
          png = std::move(m_pendingPng);
          bmp = std::move(m_pendingBmp);
          request = m_requested;
        }
      }
      if (take && !TakeSelection(std::move(png), std::move(bmp), request)) break;
      while (running && XPending(d)) {
        XEvent e;
        XNextEvent(d, &e);
        Handle(e);
      }
      DropStaleTransfers();
    }
    if (m_owned && XGetSelectionOwner(d, m_clipboard) == m_window) {
      XSetSelectionOwner(d, m_clipboard, None, m_ownedSince);
    }
    XDestroyWindow(d, m_window);
    // Closing waits for the server, which may be gone: the connection stays
    // survivable until it is closed.
    XCloseDisplay(d);
    ForgetConnection(d);
    g_ownDisplay = nullptr;
    m_display = nullptr;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_dead = true;
    m_owned = false;
    m_cv.notify_all();
  }

  // A server timestamp: appending nothing to a property of our own window
  // makes the server report the time. False when the connection is lost,
  // which a blocking wait for the event would never notice.
  bool ServerTime(Time* time) {
    XChangeProperty(m_display, m_window, m_stampProperty, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XFlush(m_display);
    XEvent e;
    while (!ConnectionLost(m_display)) {
      if (!XCheckWindowEvent(m_display, m_window, PropertyChangeMask, &e)) {
        pollfd fd{ConnectionNumber(m_display), POLLIN, 0};
        poll(&fd, 1, 100);
        continue;
      }
      if (e.xproperty.atom == m_stampProperty) {
        *time = e.xproperty.time;
        return true;
      }
      Handle(e);
    }
    return false;
  }

  bool TakeSelection(std::string png, std::string bmp, std::uint64_t request) {
    Time now = CurrentTime;
    if (!ServerTime(&now)) return false;
    XSetSelectionOwner(m_display, m_clipboard, m_window, now);
    const bool owned = XGetSelectionOwner(m_display, m_clipboard) == m_window;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_servedPng = std::move(png);
    m_servedBmp = std::move(bmp);
    m_owned = owned;
    m_ownedSince = now;
    m_answered = request;
    m_cv.notify_all();
    return true;
  }

  std::size_t ChunkLimit() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_chunkLimit ? m_chunkLimit : m_serverChunk;
  }

  void Handle(XEvent& e) {
    switch (e.type) {
      case SelectionClear:
        if (e.xselectionclear.selection == m_clipboard) {
          std::lock_guard<std::mutex> lock(m_mutex);
          m_owned = false;
          m_servedPng.clear();
          m_servedBmp.clear();
        }
        break;
      case SelectionRequest:
        Answer(e.xselectionrequest);
        break;
      case PropertyNotify:
        if (e.xproperty.state == PropertyDelete) Continue(e.xproperty.window, e.xproperty.atom);
        break;
      default:
        break;
    }
  }

  void Answer(const XSelectionRequestEvent& r) {
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.display = r.display;
    reply.requestor = r.requestor;
    reply.selection = r.selection;
    reply.target = r.target;
    reply.time = r.time;
    // Old clients name no property: the target stands for it.
    Atom property = r.property == None ? r.target : r.property;
    reply.property = None;
    std::string png, bmp;
    bool owned;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      owned = m_owned;
      if (owned && r.target == m_png) png = m_servedPng;
      if (owned && r.target == m_bmp) bmp = m_servedBmp;
    }
    const bool timely = r.time == CurrentTime || r.time >= m_ownedSince;
    if (owned && timely && r.selection == m_clipboard && r.owner == m_window) {
      if (r.target == m_targets) {
        Atom list[] = {m_targets, m_timestamp, m_png, m_bmp};
        XChangeProperty(m_display, r.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(list), 4);
        reply.property = property;
      } else if (r.target == m_timestamp) {
        long stamp = static_cast<long>(m_ownedSince);
        XChangeProperty(m_display, r.requestor, property, XA_INTEGER, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&stamp), 1);
        reply.property = property;
      } else if (r.target == m_png || r.target == m_bmp) {
        std::string& data = r.target == m_png ? png : bmp;
        if (!data.empty()) {
          Send(r.requestor, property, r.target, std::move(data));
          reply.property = property;
        }
      }
    }
    XSendEvent(m_display, r.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
    XFlush(m_display);
  }

  void Send(Window requestor, Atom property, Atom type, std::string data) {
    const std::size_t limit = ChunkLimit();
    if (data.size() <= limit) {
      XChangeProperty(m_display, requestor, property, type, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(data.data()),
                      static_cast<int>(data.size()));
      return;
    }
    // Too large for one request: announce the size, then send it piece by
    // piece as the requestor takes each one.
    XSelectInput(m_display, requestor, PropertyChangeMask);
    long size = static_cast<long>(data.size());
    XChangeProperty(m_display, requestor, property, m_incr, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&size), 1);
    Transfer t;
    t.requestor = requestor;
    t.property = property;
    t.type = type;
    t.data = std::move(data);
    t.last = std::chrono::steady_clock::now();
    m_transfers.push_back(std::move(t));
  }

  void Continue(Window window, Atom property) {
    for (auto it = m_transfers.begin(); it != m_transfers.end(); ++it) {
      if (it->requestor != window || it->property != property) continue;
      if (it->finished) {
        XSelectInput(m_display, window, NoEventMask);
        m_transfers.erase(it);
        return;
      }
      const std::size_t n = std::min(ChunkLimit(), it->data.size() - it->sent);
      XChangeProperty(m_display, window, property, it->type, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(it->data.data() + it->sent),
                      static_cast<int>(n));
      it->sent += n;
      // A piece of no bytes ends the transfer.
      if (n == 0) it->finished = true;
      it->last = std::chrono::steady_clock::now();
      XFlush(m_display);
      return;
    }
  }

  // A requestor that stopped taking pieces is given up after a while.
  void DropStaleTransfers() {
    const auto now = std::chrono::steady_clock::now();
    m_transfers.remove_if(
        [&](const Transfer& t) { return now - t.last > std::chrono::seconds(30); });
  }

  std::mutex m_mutex;
  std::condition_variable m_cv;
  std::thread m_thread;
  int m_pipe[2] = {-1, -1};
  bool m_stop = false;
  bool m_dead = false;
  bool m_owned = false;
  std::uint64_t m_requested = 0;
  std::uint64_t m_answered = 0;
  std::string m_pendingPng, m_pendingBmp, m_servedPng, m_servedBmp;
  std::size_t m_chunkLimit = 0;

  // Used by the serving thread only.
  Display* m_display = nullptr;
  Window m_window = 0;
  Atom m_clipboard = 0, m_targets = 0, m_timestamp = 0, m_png = 0, m_bmp = 0, m_incr = 0;
  Atom m_stampProperty = 0;
  Time m_ownedSince = 0;
  std::size_t m_serverChunk = 65536;
  std::list<Transfer> m_transfers;
};

ClipboardOwner& Owner() {
  static ClipboardOwner owner;
  return owner;
}

}  // namespace

std::string EncodePng(const Surface& image) {
  std::string out;
  if (!image.pixels || image.width <= 0 || image.height <= 0) return out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return out;
  png_infop info = png_create_info_struct(png);
  std::vector<png_byte> row(static_cast<std::size_t>(image.width) * 3);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return std::string();
  }
  png_set_write_fn(png, &out, PngWrite, PngFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const std::uint32_t p = image.Pixel(x, y);
      row[static_cast<std::size_t>(x) * 3] = static_cast<png_byte>(p >> 16);
      row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<png_byte>(p >> 8);
      row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<png_byte>(p);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::string EncodeBmp(const Surface& image) {
  if (!image.pixels || image.width <= 0 || image.height <= 0) return std::string();
  const std::size_t row = (static_cast<std::size_t>(image.width) * 3 + 3) & ~std::size_t{3};
  const std::size_t bits = row * static_cast<std::size_t>(image.height);
  std::string b(54 + bits, '\0');
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<std::uint32_t>(b.size()));
  Put32(b, 10, 54);
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<std::uint32_t>(image.width));
  Put32(b, 22, static_cast<std::uint32_t>(image.height));
  Put16(b, 26, 1);
  Put16(b, 28, 24);
  Put32(b, 34, static_cast<std::uint32_t>(bits));
  Put32(b, 38, 3780);  // 96 pixels to the inch
  Put32(b, 42, 3780);
  for (int y = 0; y < image.height; ++y) {
    char* out = b.data() + 54 + static_cast<std::size_t>(image.height - 1 - y) * row;
    for (int x = 0; x < image.width; ++x) {
      const std::uint32_t p = image.Pixel(x, y);
      out[3 * x] = static_cast<char>(p);
      out[3 * x + 1] = static_cast<char>(p >> 8);
      out[3 * x + 2] = static_cast<char>(p >> 16);
    }
  }
  return b;
}

bool PublishClipboardImage(const Surface& image) {
  std::string png = EncodePng(image);
  std::string bmp = EncodeBmp(image);
  if (png.empty() || bmp.empty()) return false;
  return Owner().Publish(std::move(png), std::move(bmp));
}

void StopClipboard() { Owner().Stop(); }

void SetClipboardChunkLimit(std::size_t bytes) { Owner().SetChunkLimit(bytes); }

}  // namespace fw::sdl
