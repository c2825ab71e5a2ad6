// usb_stick_fs BACKING MOUNT [options]: a FUSE pass-through file system that
// behaves like a USB stick, for the tests. Everything goes through to
// BACKING; the page cache is kept out (direct_io, no attribute or entry
// caching), so a read-back really reaches the "flash". Changes and data cost
// time in one queue, as a stick does one thing at a time, and faults can be
// switched on while mounted through MOUNT/.stick/control (read it for the
// commands); MOUNT/.stick/counters tells what the stick has seen.
//
// What a Windows program sees under Wine 8.0 (GetLastError), measured:
//   readonly  CreateFile for writing, CreateDirectory, MoveFileEx, WriteFile,
//             SetEndOfFile: 5 ERROR_ACCESS_DENIED. DeleteFile and
//             RemoveDirectory report success and the name stays (Wine
//             unlinks at close). Reads work.
//   pulled    everything, reads and lookups too: 21 ERROR_NOT_READY.
//   cutafter  the change that meets the cut: 998 ERROR_NOACCESS from
//             CreateFile creating, CreateDirectory, MoveFileEx (the server
//             turns EIO into an access violation); success from DeleteFile,
//             RemoveDirectory, CREATE_ALWAYS's truncation and SetEndOfFile,
//             whose errors Wine drops. After it, everything: 21.
//   fullafter WriteFile: 112 ERROR_DISK_FULL, nothing written. A write that
//             comes back short is a success to WriteFile, hence whole writes.
// FlushFileBuffers is fsync() (the flushes counter). CreateFile opens with
// O_CREAT and no O_DIRECT, whatever FILE_FLAG_NO_BUFFERING or
// FILE_FLAG_WRITE_THROUGH say; CREATE_ALWAYS truncates with ftruncate.
#define FUSE_USE_VERSION 31
#include <fuse.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace {

const char kHelp[] =
    "Write commands to this file, one per line:\n"
    "  pulled 1|0       the stick is out: everything fails with EIO / back in\n"
    "  readonly 1|0     write-protect switch: every change fails with EROFS, reads work\n"
    "  badflash 1|0     one byte of every write is stored flipped; the write succeeds\n"
    "  fullafter N|off  a write fails with ENOSPC when it would take the bytes written\n"
    "                   from now past N\n"
    "  cutafter K|off   power is cut at the K-th change from now: K-1 changes succeed,\n"
    "                   the K-th and everything after it fail with EIO until reset\n"
    "  latency_us N     every change costs N microseconds\n"
    "  write_bps N      written data costs its size / N seconds (0: unlimited)\n"
    "  read_bps N       read data costs its size / N seconds (0: unlimited)\n"
    "  reset            clear every fault (the costs stay)\n"
    "  zero             zero the counters\n"
    "Changes: create, mknod, mkdir, link, rename, unlink, rmdir, chmod, chown,\n"
    "utimens, truncate and open with O_TRUNC; data writes are not changes.\n"
    "counters: written read (bytes) created folders renames deletions (unlink and\n"
    "rmdir) flushes (fsync) changes, then the faults and costs in force.\n";

struct Counters {
  uint64_t written, read, created, folders, renames, deletions, flushes, changes;
};

struct Stick {
  std::mutex state;               // guards everything below
  std::condition_variable power;  // wakes a paid wait when the stick goes away
  std::mutex queue;               // one thing at a time, held while paying
  bool pulled = false, readonly = false, badflash = false, cut = false;
  int64_t full_after = -1, full_used = 0;  // -1: off
  int64_t cut_after = 0, cut_seen = 0;     // 0: off
  int64_t latency_us = 0, write_bps = 0, read_bps = 0;
  Counters n{};
};

Stick stick;
std::string backing;
const time_t started = time(nullptr);

enum class Virt { None, Dir, Control, Counters, Other };
enum class Kind { Look, Write, Change };

Virt virt(const char* path) {
  if (!path) return Virt::None;
  std::string_view p(path);
  if (p == "/.stick") return Virt::Dir;
  if (p == "/.stick/control") return Virt::Control;
  if (p == "/.stick/counters") return Virt::Counters;
  return p.starts_with("/.stick/") ? Virt::Other : Virt::None;
}

std::string real(const char* path) { return backing + path; }

struct Handle {
  int fd = -1;
  Virt kind = Virt::None;
  std::string text;  // what reads of a /.stick file give, taken at open
};

Handle* handle(fuse_file_info* fi) { return fi ? reinterpret_cast<Handle*>(fi->fh) : nullptr; }

std::string counters_text() {
  std::lock_guard l(stick.state);
  const Counters& c = stick.n;
  auto onoff = [](int64_t v, int64_t off) { return v == off ? std::string("off") : std::to_string(v); };
  char line[512];
  snprintf(line, sizeof line,
           "written=%llu read=%llu created=%llu folders=%llu renames=%llu deletions=%llu "
           "flushes=%llu changes=%llu pulled=%d readonly=%d badflash=%d fullafter=%s cutafter=%s "
           "cut=%d latency_us=%lld write_bps=%lld read_bps=%lld\n",
           (unsigned long long)c.written, (unsigned long long)c.read, (unsigned long long)c.created,
           (unsigned long long)c.folders, (unsigned long long)c.renames,
           (unsigned long long)c.deletions, (unsigned long long)c.flushes,
           (unsigned long long)c.changes, stick.pulled, stick.readonly, stick.badflash,
           onoff(stick.full_after, -1).c_str(), onoff(stick.cut_after, 0).c_str(), stick.cut,
           (long long)stick.latency_us, (long long)stick.write_bps, (long long)stick.read_bps);
  return line;
}

bool number(std::string_view s, int64_t& v) {
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  return ec == std::errc() && end == s.data() + s.size() && v >= 0;
}

// One command line; false when it is not understood.
bool command(std::string_view line) {
  auto word_end = line.find_first_of(" \t");
  std::string_view name = line.substr(0, word_end), arg;
  if (word_end != std::string_view::npos) {
    arg = line.substr(word_end);
    arg.remove_prefix(std::min(arg.size(), arg.find_first_not_of(" \t")));
    arg = arg.substr(0, arg.find_last_not_of(" \t\r") + 1);
  }
  int64_t v = 0;
  bool is_number = number(arg, v);
  std::lock_guard l(stick.state);
  if (name == "reset" || name == "zero") {
    if (!arg.empty()) return false;
    if (name == "zero") {
      stick.n = {};
    } else {
      stick.pulled = stick.readonly = stick.badflash = stick.cut = false;
      stick.full_after = -1;
      stick.cut_after = 0;
    }
  } else if (name == "pulled" || name == "readonly" || name == "badflash") {
    if (arg != "0" && arg != "1") return false;
    (name == "pulled" ? stick.pulled : name == "readonly" ? stick.readonly : stick.badflash) = arg == "1";
  } else if (name == "fullafter" || name == "cutafter") {
    bool off = arg == "off";
    if (!off && (!is_number || (name == "cutafter" && v == 0))) return false;
    if (name == "fullafter") {
      stick.full_after = off ? -1 : v;
      stick.full_used = 0;
    } else {
      stick.cut_after = off ? 0 : v;
      stick.cut_seen = 0;
    }
  } else if (name == "latency_us" || name == "write_bps" || name == "read_bps") {
    if (!is_number) return false;
    (name == "latency_us" ? stick.latency_us : name == "write_bps" ? stick.write_bps : stick.read_bps) = v;
  } else {
    return false;
  }
  stick.power.notify_all();
  return true;
}

bool commands(std::string_view text) {
  while (!text.empty()) {
    auto eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(" \t") != std::string_view::npos && !command(line)) return false;
  }
  return true;
}

// Whether the stick takes an operation of this kind now. A change counts
// towards a cut even when it then fails in the backing folder.
int gate(Kind kind) {
  std::lock_guard l(stick.state);
  if (stick.pulled || stick.cut) return -EIO;
  if (kind == Kind::Look) return 0;
  if (stick.readonly) return -EROFS;
  if (kind == Kind::Change && stick.cut_after > 0 && ++stick.cut_seen >= stick.cut_after) {
    stick.cut = true;
    stick.power.notify_all();
    return -EIO;
  }
  return 0;
}

// Sleeps with the queue held; the stick pulled meanwhile ends it with EIO.
int pay(int64_t us) {
  if (us <= 0) return 0;
  std::unique_lock l(stick.state);
  bool gone = stick.power.wait_for(l, std::chrono::microseconds(us), [] { return stick.pulled || stick.cut; });
  return gone ? -EIO : 0;
}

int64_t data_cost_us(int64_t bytes, int64_t bps) { return bps > 0 ? bytes * 1000000 / bps : 0; }

int64_t cost_of(int64_t Stick::*what) {
  std::lock_guard l(stick.state);
  return stick.*what;
}

int sys(int r) { return r < 0 ? -errno : 0; }

// A change: queued, paid for, counted when done.
template <class Op>
int change(Op op, uint64_t Counters::*what = nullptr) {
  std::lock_guard q(stick.queue);
  if (int e = gate(Kind::Change)) return e;
  if (int e = pay(cost_of(&Stick::latency_us))) return e;
  int r = op();
  if (r >= 0) {
    std::lock_guard l(stick.state);
    ++stick.n.changes;
    if (what) ++(stick.n.*what);
  }
  return r;
}

void* op_init(fuse_conn_info*, fuse_config* cfg) {
  cfg->use_ino = 1;
  cfg->hard_remove = 1;
  cfg->direct_io = 1;
  cfg->kernel_cache = 0;
  cfg->entry_timeout = cfg->attr_timeout = cfg->negative_timeout = 0;
  return nullptr;
}

int op_getattr(const char* path, struct stat* st, fuse_file_info* fi) {
  Handle* h = handle(fi);
  Virt v = h ? h->kind : virt(path);
  if (v == Virt::None) {
    if (int e = gate(Kind::Look)) return e;
    return sys(h ? fstat(h->fd, st) : lstat(real(path).c_str(), st));
  }
  if (v == Virt::Other) return -ENOENT;
  *st = {};
  st->st_uid = getuid();
  st->st_gid = getgid();
  st->st_atime = st->st_mtime = st->st_ctime = started;
  st->st_nlink = v == Virt::Dir ? 2 : 1;
  st->st_mode = v == Virt::Dir ? S_IFDIR | 0755 : v == Virt::Control ? S_IFREG | 0666 : S_IFREG | 0444;
  if (v != Virt::Dir) st->st_size = h ? h->text.size() : v == Virt::Control ? sizeof kHelp - 1 : counters_text().size();
  return 0;
}

int op_readdir(const char* path, void* buf, fuse_fill_dir_t fill, off_t, fuse_file_info*, fuse_readdir_flags) {
  Virt v = virt(path);
  if (v == Virt::Dir) {
    for (const char* name : {".", "..", "control", "counters"}) fill(buf, name, nullptr, 0, fuse_fill_dir_flags());
    return 0;
  }
  if (v != Virt::None) return -ENOTDIR;
  if (int e = gate(Kind::Look)) return e;
  DIR* dir = opendir(real(path).c_str());
  if (!dir) return -errno;
  bool root = std::string_view(path) == "/";
  while (dirent* d = readdir(dir)) {
    if (root && std::string_view(d->d_name) == ".stick") continue;
    struct stat st = {};
    st.st_ino = d->d_ino;
    st.st_mode = DTTOIF(d->d_type);
    fill(buf, d->d_name, &st, 0, fuse_fill_dir_flags());
  }
  closedir(dir);
  return 0;
}

int open_virtual(Virt v, fuse_file_info* fi) {
  if (v == Virt::Dir) return -EISDIR;
  if (v == Virt::Other) return -ENOENT;
  if (v == Virt::Counters && (fi->flags & O_ACCMODE) != O_RDONLY) return -EACCES;
  fi->fh = reinterpret_cast<uint64_t>(new Handle{-1, v, v == Virt::Control ? kHelp : counters_text()});
  fi->direct_io = 1;
  return 0;
}

int keep(int fd, fuse_file_info* fi) {
  if (fd < 0) return -errno;
  fi->fh = reinterpret_cast<uint64_t>(new Handle{fd, Virt::None, {}});
  fi->direct_io = 1;
  return 0;
}

int op_open(const char* path, fuse_file_info* fi) {
  if (Virt v = virt(path); v != Virt::None) return open_virtual(v, fi);
  std::string p = real(path);
  if (fi->flags & O_TRUNC) return change([&] { return keep(open(p.c_str(), fi->flags), fi); });
  if (int e = gate((fi->flags & O_ACCMODE) == O_RDONLY ? Kind::Look : Kind::Write)) return e;
  return keep(open(p.c_str(), fi->flags), fi);
}

int op_create(const char* path, mode_t mode, fuse_file_info* fi) {
  Virt v = virt(path);
  if (v == Virt::Control || v == Virt::Counters) return open_virtual(v, fi);
  if (v != Virt::None) return -EACCES;
  return change([&] { return keep(open(real(path).c_str(), fi->flags | O_CREAT, mode), fi); }, &Counters::created);
}

int op_read(const char*, char* buf, size_t size, off_t off, fuse_file_info* fi) {
  Handle* h = handle(fi);
  if (h->kind != Virt::None) {
    if (off >= (off_t)h->text.size()) return 0;
    size = std::min(size, h->text.size() - off);
    memcpy(buf, h->text.data() + off, size);
    return static_cast<int>(size);
  }
  std::lock_guard q(stick.queue);
  if (int e = gate(Kind::Look)) return e;
  ssize_t r = pread(h->fd, buf, size, off);
  if (r < 0) return -errno;
  if (int e = pay(data_cost_us(r, cost_of(&Stick::read_bps)))) return e;
  std::lock_guard l(stick.state);
  stick.n.read += r;
  return static_cast<int>(r);
}

int op_write(const char*, const char* buf, size_t size, off_t off, fuse_file_info* fi) {
  Handle* h = handle(fi);
  if (h->kind == Virt::Control) return commands(std::string_view(buf, size)) ? (int)size : -EINVAL;
  if (h->kind != Virt::None) return -EBADF;
  std::lock_guard q(stick.queue);
  if (int e = gate(Kind::Write)) return e;
  int64_t bps;
  bool flip;
  {
    // A write that does not fit fails whole, as WriteFile does on Windows.
    std::lock_guard l(stick.state);
    if (stick.full_after >= 0 && stick.full_used + static_cast<int64_t>(size) > stick.full_after) return -ENOSPC;
    flip = stick.badflash;
    bps = stick.write_bps;
  }
  if (int e = pay(data_cost_us(size, bps))) return e;
  std::vector<char> spoilt;
  if (flip && size > 0) {
    spoilt.assign(buf, buf + size);
    spoilt[size / 2] ^= 0xff;
    buf = spoilt.data();
  }
  ssize_t r = pwrite(h->fd, buf, size, off);
  if (r < 0) return -errno;
  std::lock_guard l(stick.state);
  stick.n.written += r;
  stick.full_used += r;
  return static_cast<int>(r);
}

int op_flush(const char*, fuse_file_info* fi) { return handle(fi)->kind == Virt::None ? gate(Kind::Look) : 0; }

int op_fsync(const char*, int datasync, fuse_file_info* fi) {
  Handle* h = handle(fi);
  if (h->kind != Virt::None) return 0;
  std::lock_guard q(stick.queue);
  if (int e = gate(Kind::Look)) return e;
  if (int e = sys(datasync ? fdatasync(h->fd) : fsync(h->fd))) return e;
  std::lock_guard l(stick.state);
  ++stick.n.flushes;
  return 0;
}

int op_release(const char*, fuse_file_info* fi) {
  Handle* h = handle(fi);
  if (h->fd >= 0) close(h->fd);
  delete h;
  return 0;
}

int op_truncate(const char* path, off_t size, fuse_file_info* fi) {
  Handle* h = handle(fi);
  Virt v = h ? h->kind : virt(path);
  if (v == Virt::Control) return 0;
  if (v != Virt::None) return -EACCES;
  return change([&] { return sys(h ? ftruncate(h->fd, size) : truncate(real(path).c_str(), size)); });
}

int op_chmod(const char* path, mode_t mode, fuse_file_info* fi) {
  Handle* h = handle(fi);
  if ((h ? h->kind : virt(path)) != Virt::None) return 0;
  return change([&] { return sys(h ? fchmod(h->fd, mode) : chmod(real(path).c_str(), mode)); });
}

int op_chown(const char* path, uid_t uid, gid_t gid, fuse_file_info* fi) {
  Handle* h = handle(fi);
  if ((h ? h->kind : virt(path)) != Virt::None) return 0;
  return change([&] { return sys(h ? fchown(h->fd, uid, gid) : lchown(real(path).c_str(), uid, gid)); });
}

int op_utimens(const char* path, const timespec tv[2], fuse_file_info* fi) {
  Handle* h = handle(fi);
  if ((h ? h->kind : virt(path)) != Virt::None) return 0;
  return change([&] {
    return sys(h ? futimens(h->fd, tv) : utimensat(AT_FDCWD, real(path).c_str(), tv, AT_SYMLINK_NOFOLLOW));
  });
}

int op_mknod(const char* path, mode_t mode, dev_t dev) {
  if (virt(path) != Virt::None) return -EACCES;
  return change([&] { return sys(mknod(real(path).c_str(), mode, dev)); }, &Counters::created);
}

int op_mkdir(const char* path, mode_t mode) {
  if (virt(path) != Virt::None) return -EACCES;
  return change([&] { return sys(mkdir(real(path).c_str(), mode)); }, &Counters::folders);
}

int op_unlink(const char* path) {
  if (virt(path) != Virt::None) return -EACCES;
  return change([&] { return sys(unlink(real(path).c_str())); }, &Counters::deletions);
}

int op_rmdir(const char* path) {
  if (virt(path) != Virt::None) return -EACCES;
  return change([&] { return sys(rmdir(real(path).c_str())); }, &Counters::deletions);
}

int op_rename(const char* from, const char* to, unsigned int flags) {
  if (virt(from) != Virt::None || virt(to) != Virt::None) return -EACCES;
  return change([&] { return sys(renameat2(AT_FDCWD, real(from).c_str(), AT_FDCWD, real(to).c_str(), flags)); },
                &Counters::renames);
}

int op_link(const char* from, const char* to) {
  if (virt(from) != Virt::None || virt(to) != Virt::None) return -EACCES;
  return change([&] { return sys(link(real(from).c_str(), real(to).c_str())); });
}

int op_readlink(const char* path, char* buf, size_t size) {
  if (int e = gate(Kind::Look)) return e;
  ssize_t n = readlink(real(path).c_str(), buf, size - 1);
  if (n < 0) return -errno;
  buf[n] = '\0';
  return 0;
}

int op_statfs(const char*, struct statvfs* st) {
  if (int e = gate(Kind::Look)) return e;
  return sys(statvfs(backing.c_str(), st));
}

int op_access(const char* path, int mask) {
  if (virt(path) != Virt::None) return 0;
  if (int e = gate(Kind::Look)) return e;
  return sys(access(real(path).c_str(), mask));
}

int usage(FILE* to) {
  fprintf(to,
          "usage: usb_stick_fs BACKING_DIR MOUNT_DIR [--COMMAND VALUE]... [FUSE options: -f -d -o OPT]\n"
          "  --COMMAND VALUE runs a control command at start, e.g. --latency_us 3000 --write_bps 4000000\n"
          "Goes to the background once mounted; unmount with fusermount3 -u MOUNT_DIR.\n"
          "Control: MOUNT_DIR/.stick/control (read it for this help), MOUNT_DIR/.stick/counters.\n\n%s",
          kHelp);
  return to == stdout ? 0 : 2;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc > 1 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) return usage(stdout);
  if (argc < 3) return usage(stderr);
  char* dir = realpath(argv[1], nullptr);
  struct stat st;
  if (!dir || stat(dir, &st) != 0 || !S_ISDIR(st.st_mode)) {
    fprintf(stderr, "usb_stick_fs: %s is not a folder\n", argv[1]);
    return 1;
  }
  backing = strcmp(dir, "/") == 0 ? "" : dir;
  free(dir);

  std::vector<char*> args = {argv[0], argv[2], const_cast<char*>("-o"),
                             const_cast<char*>(getuid() == 0 ? "fsname=usb_stick,allow_other" : "fsname=usb_stick")};
  for (int i = 3; i < argc; ++i) {
    std::string_view a = argv[i];
    if (a.starts_with("--") && a != "--") {
      std::string line(a.substr(2));
      std::replace(line.begin(), line.end(), '-', '_');
      if (line != "reset" && line != "zero" && i + 1 < argc) line += std::string(" ") + argv[++i];
      if (!command(line)) {
        fprintf(stderr, "usb_stick_fs: not a command: %s\n", line.c_str());
        return 2;
      }
    } else {
      args.push_back(argv[i]);
    }
  }

  fuse_operations ops = {};
  ops.init = op_init;
  ops.getattr = op_getattr;
  ops.readdir = op_readdir;
  ops.open = op_open;
  ops.create = op_create;
  ops.read = op_read;
  ops.write = op_write;
  ops.flush = op_flush;
  ops.fsync = op_fsync;
  ops.release = op_release;
  ops.truncate = op_truncate;
  ops.chmod = op_chmod;
  ops.chown = op_chown;
  ops.utimens = op_utimens;
  ops.mknod = op_mknod;
  ops.mkdir = op_mkdir;
  ops.unlink = op_unlink;
  ops.rmdir = op_rmdir;
  ops.rename = op_rename;
  ops.link = op_link;
  ops.readlink = op_readlink;
  ops.statfs = op_statfs;
  ops.access = op_access;
  return fuse_main(static_cast<int>(args.size()), args.data(), &ops, nullptr);
}
