// cpp-httplib with the limits the station view sets at compile time. Every
// file that uses the library includes it through here, so that all of them
// see one set of definitions.
#pragma once

// poll() instead of select(): no FD_SETSIZE limit on descriptor numbers.
#define CPPHTTPLIB_USE_POLL
// A request line longer than this is answered 414.
#define CPPHTTPLIB_REQUEST_URI_MAX_LENGTH 2048
// One header line longer than this is refused (400); the whole head is
// bounded by the server's own stream (bounded_http_server.h).
#define CPPHTTPLIB_HEADER_MAX_LENGTH 4096
// The listening socket's backlog: connections the system holds while every
// worker is busy and the queue is full.
#define CPPHTTPLIB_LISTEN_BACKLOG 16

#include <httplib.h>
