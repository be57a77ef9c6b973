// Device paths on Linux: a tty is a serial port; anything else (a USB printer class device,
// a FIFO) is written as a file.
#include "port/open_port.h"

#include "port/device_holders.h"
#include "port/error_text.h"
#include "port/serial_settings.h"
#include "port/stream_port.h"

#include <asio/posix/stream_descriptor.hpp>
#include <asio/serial_port.hpp>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace quillet::port {
namespace {

// Who may open the device, for a permission refusal: its group, when it has one of its own.
std::string PermissionHint(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    const group* owner = ::getgrgid(st.st_gid);
    if (!owner || st.st_gid == 0 || (st.st_mode & S_IRWXG) == 0)
        return {};
    const std::string name = owner->gr_name;
    return "; members of the group " + name + " may open it (sudo usermod -aG " + name +
           " $USER, then log in again)";
}

std::string Busy(const std::string& path) {
    const std::string holders = DeviceHolders(path);
    return "cannot open " + path + ": busy" +
           (holders.empty() ? " (another program has it open)" : ": held by " + holders);
}

std::string OpenError(const std::string& path, int error) {
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return "cannot open " + path + ": no such device (is the printer connected?)";
    case EBUSY:
    case EWOULDBLOCK:
        return Busy(path);
    case EACCES:
    case EPERM:
        return "cannot open " + path + ": permission denied" + PermissionHint(path);
    default:
        return "cannot open " + path + ": " + std::strerror(error);
    }
}

// One job per device: a lock that every quillet-nv honours (root included), and for a tty also
// its exclusive mode, which keeps out other programs that open it later. Closes `fd` on failure.
std::string TakeDevice(int fd, const std::string& path, bool tty) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return OpenError(path, error);
    }
    if (tty && ::ioctl(fd, TIOCEXCL) != 0) {
        const int error = errno;
        ::close(fd);
        return "cannot open " + path + " for this program alone: " + std::strerror(error);
    }
    return {};
}

OpenResult OpenSerial(asio::any_io_executor executor, int fd, const std::string& path,
                      const LineSettings& line) {
    asio::serial_port serial(executor);
    std::error_code error;
    serial.assign(fd, error);
    if (error) {
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        return {nullptr, "cannot open " + path + ": " + ErrorText(error)};
    }
    // Raw 8N1, as asio's own open sets it up, then the user's speed and flow.
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        tio.c_cflag |= CREAD | CLOCAL;
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    using sp = asio::serial_port;
    error = ApplyLineSettings(serial, line);
    // Whoever holds the line open after us (the printer side of a pty) must not keep it exclusive.
    auto release = [](sp& port) { ::ioctl(port.native_handle(), TIOCNXCL); };
    if (error) {
        release(serial);
        return {nullptr, "cannot set up " + path + ": " + ErrorText(error)};
    }
    const StreamTraits traits{true, line.flow == Flow::None, false};
    auto discard = [](sp& port) { ::tcflush(port.native_handle(), TCOFLUSH); };
    return {std::make_unique<StreamPort<sp>>(std::move(serial), traits, discard, release), {}};
}

} // namespace

OpenResult OpenLocalPort(asio::any_io_executor executor, const PortAddress& address,
                         const LineSettings& line) {
    const std::string& path = address.path;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {nullptr, OpenError(path, errno)};
    if (S_ISDIR(st.st_mode))
        return {nullptr, "cannot open " + path + ": it is a folder"};
    if (S_ISREG(st.st_mode))
        return {nullptr, "cannot open " + path + ": not a device (a regular file)"};

    // A FIFO has no back channel, and opening it for reading too would make us our own reader.
    const bool fifo = S_ISFIFO(st.st_mode);
    const int flags = (fifo ? O_WRONLY : O_RDWR) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0) {
        // A FIFO nobody reads: the printer side is not there.
        if (fifo && errno == ENXIO)
            return {nullptr, "cannot open " + path + ": nothing reads it (is the printer there?)"};
        return {nullptr, OpenError(path, errno)};
    }
    const bool tty = ::isatty(fd) != 0;
    if (std::string why = TakeDevice(fd, path, tty); !why.empty())
        return {nullptr, why};
    if (tty)
        return OpenSerial(executor, fd, path, line);

    asio::posix::stream_descriptor file(executor);
    std::error_code error;
    file.assign(fd, error);
    if (error) {
        ::close(fd);
        return {nullptr, "cannot open " + path + ": " + ErrorText(error)};
    }
    // A printer device (usblp) without a back channel refuses reads: then it is write-only.
    const StreamTraits traits{!fifo, false, !fifo};
    return {std::make_unique<StreamPort<asio::posix::stream_descriptor>>(std::move(file), traits),
            {}};
}

} // namespace quillet::port
