/*
 * Times a program from its start to the mapping of its first top-level window, and reads its
 * resident memory once it has been idle for a while.
 *
 *   xstart-probe [--idle-ms N] [--timeout-ms N] PROGRAM [ARGUMENT...]
 *
 * Prints one line "mapped_ms=T rss_kib=R" and exits 0, or says what went wrong and exits 1.
 * The X server is the one DISPLAY names; without a window manager a top-level window is a child
 * of the root window, so its MapNotify arrives through SubstructureNotify on the root.
 */
#define _GNU_SOURCE
#include <xcb/xcb.h>

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

static double nowMs(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec * 1e3 + (double)now.tv_nsec / 1e6;
}

static xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, (uint16_t)strlen(name), name), NULL);
    xcb_atom_t result = reply ? reply->atom : XCB_ATOM_NONE;
    free(reply);
    return result;
}

/* The _NET_WM_PID of window, or 0 when it has none. */
static pid_t windowPid(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t pidAtom)
{
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, pidAtom, XCB_ATOM_CARDINAL, 0, 1), NULL);
    pid_t pid = 0;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) == 4)
        pid = (pid_t) * (uint32_t*)xcb_get_property_value(reply);
    free(reply);
    return pid;
}

static long residentKib(pid_t pid)
{
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/status", (int)pid);
    FILE* status = fopen(path, "r");
    if (!status)
        return -1;
    char line[256];
    long kib = -1;
    while (fgets(line, sizeof line, status))
        if (sscanf(line, "VmRSS: %ld kB", &kib) == 1)
            break;
    fclose(status);
    return kib;
}

static int exited(pid_t pid)
{
    int status;
    return waitpid(pid, &status, WNOHANG) == pid;
}

static void stop(pid_t pid)
{
    kill(pid, SIGTERM);
    for (int waited = 0; waited < 200; ++waited) {
        if (exited(pid))
            return;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, NULL, 0);
}

int main(int argc, char** argv)
{
    int idleMs = 2000;
    int timeoutMs = 10000;
    int first = 1;
    for (; first + 1 < argc && strncmp(argv[first], "--", 2) == 0; first += 2) {
        if (strcmp(argv[first], "--idle-ms") == 0)
            idleMs = atoi(argv[first + 1]);
        else if (strcmp(argv[first], "--timeout-ms") == 0)
            timeoutMs = atoi(argv[first + 1]);
        else
            break;
    }
    if (first >= argc) {
        fprintf(stderr, "usage: xstart-probe [--idle-ms N] [--timeout-ms N] PROGRAM [ARGUMENT...]\n");
        return 1;
    }

    xcb_connection_t* connection = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(connection)) {
        fprintf(stderr, "xstart-probe: cannot connect to the X server (DISPLAY=%s)\n", getenv("DISPLAY"));
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_atom_t pidAtom = atom(connection, "_NET_WM_PID");
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_void_cookie_t selected =
        xcb_change_window_attributes_checked(connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_generic_error_t* error = xcb_request_check(connection, selected);
    if (error) {
        fprintf(stderr, "xstart-probe: cannot watch the root window (X error %d)\n", error->error_code);
        return 1;
    }

    const double started = nowMs();
    pid_t child;
    if (posix_spawnp(&child, argv[first], NULL, NULL, argv + first, environ) != 0) {
        fprintf(stderr, "xstart-probe: cannot start %s: %s\n", argv[first], strerror(errno));
        return 1;
    }

    double mapped = -1;
    struct pollfd watch = {xcb_get_file_descriptor(connection), POLLIN, 0};
    while (mapped < 0) {
        xcb_generic_event_t* event;
        while (mapped < 0 && (event = xcb_poll_for_event(connection)) != NULL) {
            if ((event->response_type & 0x7F) == XCB_MAP_NOTIFY) {
                const xcb_map_notify_event_t* map = (const xcb_map_notify_event_t*)event;
                if (map->event == root && !map->override_redirect) {
                    const double at = nowMs();
                    const pid_t owner = windowPid(connection, map->window, pidAtom);
                    if (owner == 0 || owner == child)
                        mapped = at - started;
                }
            }
            free(event);
        }
        if (mapped >= 0)
            break;
        if (xcb_connection_has_error(connection)) {
            fprintf(stderr, "xstart-probe: lost the X server\n");
            stop(child);
            return 1;
        }
        if (exited(child)) {
            fprintf(stderr, "xstart-probe: %s ended before it mapped a window\n", argv[first]);
            return 1;
        }
        if (nowMs() - started > timeoutMs) {
            fprintf(stderr, "xstart-probe: %s mapped no window within %d ms\n", argv[first], timeoutMs);
            stop(child);
            return 1;
        }
        poll(&watch, 1, 50);
    }

    usleep((useconds_t)idleMs * 1000);
    const long rss = residentKib(child);
    stop(child);
    xcb_disconnect(connection);
    if (rss < 0) {
        fprintf(stderr, "xstart-probe: %s ended while idle\n", argv[first]);
        return 1;
    }
    printf("mapped_ms=%.2f rss_kib=%ld\n", mapped, rss);
    return 0;
}
