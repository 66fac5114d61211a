#pragma once

// Where libjack's own messages go. libjack prints why a client could not be opened (no server:
// five lines) itself; while the program only tries whether a server answers, that is expected
// and kept off the terminal. Every other message of libjack is a warning of this program
// (qWarning, prefixed "JACK: ").
//
// A QuietJack lives for the length of such a try, on the thread that makes it: only that
// thread's messages are dropped meanwhile. `quiet` false keeps them (a log asked for).
struct _jack_client;

class QuietJack {
  public:
    explicit QuietJack(bool quiet = true);
    ~QuietJack();
    QuietJack(const QuietJack&) = delete;
    QuietJack& operator=(const QuietJack&) = delete;

  private:
    bool wasQuiet_;
};

// Opens a JACK client of that name without starting a server, quietly: null when no server
// answers, which the caller says in its own words.
_jack_client* OpenJackClientQuietly(const char* name);
