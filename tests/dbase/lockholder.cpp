// A second process for the provider's lock tests: takes one kind of lock on a file, prints
// "locked", and holds the lock until its standard input closes.
//   lockholder flock-shared|flock-exclusive|record-read|record-write FILE
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: lockholder flock-shared|flock-exclusive|record-read|record-write FILE\n");
        return 2;
    }
    const char *kind = argv[1];
    const bool reading = std::strcmp(kind, "flock-shared") == 0 || std::strcmp(kind, "record-read") == 0;
    const int fd = ::open(argv[2], reading ? O_RDONLY : O_RDWR);
    if (fd < 0) {
        std::perror(argv[2]);
        return 1;
    }
    int result = -1;
    if (std::strncmp(kind, "flock-", 6) == 0) {
        result = ::flock(fd, reading ? LOCK_SH : LOCK_EX);
    } else {
        struct flock record = {};
        record.l_type = reading ? F_RDLCK : F_WRLCK;
        record.l_whence = SEEK_SET;
        result = ::fcntl(fd, F_SETLKW, &record); // a classic per-process record lock
    }
    if (result != 0) {
        std::perror("lock");
        return 1;
    }
    std::printf("locked\n");
    std::fflush(stdout);
    char buffer[64];
    while (::read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
    }
    ::close(fd);
    return 0;
}
