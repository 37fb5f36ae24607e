/* Times what a user waits for, from X events rather than polling.
 *
 *   xwait map CMD [ARG...]   runs CMD and prints the milliseconds until its first top-level
 *                            window is mapped, and the pid; CMD keeps running.
 *   xwait title TITLE        prints "ready", reads a line, then prints the milliseconds until
 *                            a top-level window that appeared after that line is titled TITLE.
 */
#define _GNU_SOURCE
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static double now_ms(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static int ignore_errors(Display *d, XErrorEvent *e) {
  (void)d;
  (void)e;
  return 0;
}

/* The window's UTF-8 title, if it has one that equals want. */
static int titled(Display *d, Window w, const char *want) {
  Atom net_wm_name = XInternAtom(d, "_NET_WM_NAME", False), utf8 = XInternAtom(d, "UTF8_STRING", False);
  Atom type;
  int format;
  unsigned long n, after;
  unsigned char *data = NULL;
  int match = 0;
  if (XGetWindowProperty(d, w, net_wm_name, 0, 1024, False, utf8, &type, &format, &n, &after, &data) == Success &&
      data) {
    match = strcmp((char *)data, want) == 0;
    XFree(data);
  }
  return match;
}

/* Watches a new top-level (a window manager's frame, or the client itself) and what it holds. */
static int watch_tree(Display *d, Window w, const char *want) {
  XSelectInput(d, w, PropertyChangeMask | SubstructureNotifyMask);
  if (want && titled(d, w, want)) return 1;
  Window root, parent, *children = NULL;
  unsigned int n = 0;
  if (XQueryTree(d, w, &root, &parent, &children, &n)) {
    for (unsigned int i = 0; i < n; i++)
      if (watch_tree(d, children[i], want)) return 1;
    if (children) XFree(children);
  }
  return 0;
}

/* Runs argv[0...] and prints the milliseconds until its first top-level window is mapped. */
static int wait_map(Display *d, Window root, char **argv) {
  const double start = now_ms();
  pid_t pid = fork();
  if (pid == 0) {
    /* Not our output: the caller reads ours to its end. */
    freopen("/dev/null", "w", stdout);
    freopen("/dev/null", "w", stderr);
    execvp(argv[0], argv);
    _exit(127);
  }
  for (;;) {
    XEvent e;
    XNextEvent(d, &e);
    if (e.type == MapNotify && e.xmap.event == root && !e.xmap.override_redirect) {
      printf("%.1f %d\n", now_ms() - start, (int)pid);
      return 0;
    }
  }
}

/* After a line on stdin, the milliseconds until a new top-level window is titled want. */
static int wait_title(Display *d, const char *want) {
  printf("ready\n");
  fflush(stdout);
  char line[64];
  if (!fgets(line, sizeof line, stdin)) return 1;
  const double start = now_ms();
  for (;;) {
    XEvent e;
    XNextEvent(d, &e);
    Window w = 0;
    if (e.type == CreateNotify)
      w = e.xcreatewindow.window;
    else if (e.type == ReparentNotify)
      w = e.xreparent.window;
    else if (e.type == MapNotify)
      w = e.xmap.window;
    if (w && watch_tree(d, w, want)) break;
    if (e.type == PropertyNotify && titled(d, e.xproperty.window, want)) break;
  }
  printf("%.1f\n", now_ms() - start);
  return 0;
}

int main(int argc, char **argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: xwait map CMD [ARG...] | xwait title TITLE\n");
    return 2;
  }
  Display *d = XOpenDisplay(NULL);
  if (!d) return 1;
  XSetErrorHandler(ignore_errors);
  Window root = DefaultRootWindow(d);
  XSelectInput(d, root, SubstructureNotifyMask);
  XSync(d, False);
  return strcmp(argv[1], "map") == 0 ? wait_map(d, root, argv + 2) : wait_title(d, argv[2]);
}
