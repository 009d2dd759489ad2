// The serial port and its reader and writer threads on Win32: overlapped I/O on one handle,
// each thread with its own stop event so that stopping wakes it wherever it waits.
#include <windows.h>

#include "serial/buffers.h"
#include "serial/burst.h"
#include "serial/port.h"
#include "serial/port_holder.h"
#include "serial/send_queue.h"

namespace tarnwick {

namespace {

// After a wait that brought nothing, the reader pauses this long before waiting again. Under
// Wine a pseudo-terminal has no modem lines, and WaitCommEvent then ends every few
// milliseconds with ERROR_OPERATION_ABORTED and an empty mask instead of blocking; a driver
// can do the same after an error. Without the pause the reader would spin on such a port; with
// it, the input queue is still looked at about sixty times a second, far within the 200 ms
// that end a burst.
constexpr DWORD emptyWaitPauseMs = 15;

constexpr DWORD readChunk = 1024;

// How long a stopping thread waits for its cancelled I/O to finish. A driver may hold a write
// for good (output stopped by an XOFF that no XON follows) and may not honour the cancel;
// "Close the Port" must return all the same, and closing the handle ends that I/O at last.
constexpr DWORD cancelWaitMs = 1000;

// How long the reader waits for a port event before it asks whether the device is still
// there.
constexpr DWORD presenceCheckMs = 1000;

struct Worker {
    HANDLE thread = nullptr;
    HANDLE stop = nullptr;  // manual-reset: once set, every wait of the thread ends
};

Worker writer;
Worker reader;
HANDLE writerWake = nullptr;  // auto-reset: one wake-up takes every send queued so far

// Set by the reader when the device has gone; read by the window thread's tick.
volatile LONG deviceLost = 0;

// Why the last CreateFile of a port failed; window thread only.
DWORD openError = ERROR_SUCCESS;

// The errors a port gives once its device is gone: a USB adapter pulled, a driver that lost
// its hardware, or (under Wine) a terminal that hung up.
bool deviceGone(DWORD error) {
    switch (error) {
    case ERROR_BAD_COMMAND:
    case ERROR_DEVICE_REMOVED:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_HANDLE:
    case ERROR_HANDLE_EOF:
    case ERROR_BROKEN_PIPE:
        InterlockedExchange(&deviceLost, 1);
        return true;
    default: return false;
    }
}

HANDLE toHandle(PortHandle handle) { return reinterpret_cast<HANDLE>(handle); }

int failOpen(PortHandle& slot, int result) {
    CloseHandle(toHandle(slot));
    slot = invalidPort;
    return result;
}

// The flag bits are set through the DCB's named bit-fields, so the layout of the flags word
// is the compiler's business: binary mode on; no CTS or DSR output flow control, DTR and RTS
// held low, no DSR sensitivity, NUL bytes kept, no abort on error. fParity, XON/XOFF
// (fOutX, fInX, fTXContinueOnXoff), fErrorChar and the reserved bits stay as the driver had
// them, so a line that runs software flow control keeps it.
void applyLineSettings(DCB& dcb, int32_t baud) {
    dcb.BaudRate = static_cast<DWORD>(baud);
    dcb.fBinary = 1;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = 0;
    dcb.fNull = 0;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fAbortOnError = 0;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
}

// The I/O records and buffers of the two threads live as long as the program: an operation
// that a driver does not give up within cancelWaitMs may still complete into them after its
// thread has ended.
struct IoRecord {
    OVERLAPPED overlapped;
    uint8_t bytes[readChunk];
};
IoRecord writerIo;
IoRecord readerIo;

// Ends the thread's pending operation: the purge aborts it in the driver (PURGE_TXABORT or
// PURGE_RXABORT), the cancel reaches what the purge does not, and the wait is bounded.
void abandonIo(HANDLE port, OVERLAPPED& overlapped, DWORD abortFlags) {
    PurgeComm(port, abortFlags);
    CancelIoEx(port, &overlapped);
    if (WaitForSingleObject(overlapped.hEvent, cancelWaitMs) == WAIT_OBJECT_0) {
        DWORD ignored = 0;
        GetOverlappedResult(port, &overlapped, &ignored, FALSE);
    }
}

// Waits for an overlapped operation to finish or for `stop`, which abandons it. On completion
// `count` receives the bytes moved (0 on failure).
bool awaitIo(HANDLE port, OVERLAPPED& overlapped, HANDLE stop, DWORD abortFlags, DWORD& count) {
    HANDLE waits[2] = {stop, overlapped.hEvent};
    count = 0;
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
        abandonIo(port, overlapped, abortFlags);
        return false;
    }
    if (!GetOverlappedResult(port, &overlapped, &count, FALSE)) count = 0;
    return true;
}

// Completes an overlapped call that returned `started`: at once when it finished or failed
// straight away, otherwise by waiting for it. Returns false only when `stop` ended the wait.
bool finishIo(BOOL started, HANDLE port, OVERLAPPED& overlapped, HANDLE stop, DWORD abortFlags,
              DWORD& count) {
    if (started) return true;
    if (GetLastError() != ERROR_IO_PENDING) {
        count = 0;
        return true;
    }
    return awaitIo(port, overlapped, stop, abortFlags, count);
}

// Writes the whole send and waits for it, so the next one cannot overtake or tear it.
bool writeSend(HANDLE port, OVERLAPPED& overlapped, const uint8_t* bytes, int length) {
    // Whatever the driver still holds from an earlier, abandoned exchange is stale.
    PurgeComm(port, PURGE_TXCLEAR);
    if (length <= 0) return true;
    ResetEvent(overlapped.hEvent);
    DWORD written = 0;
    const BOOL started = WriteFile(port, bytes, static_cast<DWORD>(length), &written, &overlapped);
    return finishIo(started, port, overlapped, writer.stop, PURGE_TXABORT | PURGE_TXCLEAR, written);
}

DWORD WINAPI writerMain(void* parameter) {
    HANDLE port = static_cast<HANDLE>(parameter);
    OVERLAPPED& overlapped = writerIo.overlapped;
    overlapped = {};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    if (overlapped.hEvent == nullptr) return 1;
    HANDLE waits[2] = {writer.stop, writerWake};
    bool running = true;
    while (running && WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        int length;
        while (running && (length = takePendingSend(writerIo.bytes)) >= 0)
            running = writeSend(port, overlapped, writerIo.bytes, length);
    }
    CloseHandle(overlapped.hEvent);
    return 0;
}

// The mask a pending WaitCommEvent writes into; it outlives the thread like the records.
DWORD portEvents = 0;

// Whether the port has told its modem lines since the reader started. A port that did, and
// then no longer can, has lost its device, whatever the error is called: Wine on a terminal
// that hung up answers everything else as if nothing had happened.
bool modemLinesSeen = false;

// False once the port answers with the errors of a device that has gone.
bool deviceAnswers(HANDLE port) {
    DWORD errors = 0;
    COMSTAT status = {};
    if (!ClearCommError(port, &errors, &status) && deviceGone(GetLastError())) return false;
    DWORD lines = 0;
    if (GetCommModemStatus(port, &lines)) {
        modemLinesSeen = true;
        return true;
    }
    if (!modemLinesSeen) return !deviceGone(GetLastError());
    InterlockedExchange(&deviceLost, 1);
    return false;
}

// Waits for a port event. Returns false when the stop event ended the wait or the device has
// gone. A driver (or Wine on a terminal that hung up) may never end the wait of a device that
// is gone, so the device is asked after every quiet second whether it is still there.
bool waitForPortEvent(HANDLE port, OVERLAPPED& overlapped) {
    ResetEvent(overlapped.hEvent);
    if (WaitCommEvent(port, &portEvents, &overlapped)) return true;
    const DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) return !deviceGone(error);
    HANDLE waits[2] = {reader.stop, overlapped.hEvent};
    DWORD woke;
    while ((woke = WaitForMultipleObjects(2, waits, FALSE, presenceCheckMs)) == WAIT_TIMEOUT)
        if (!deviceAnswers(port)) break;
    if (woke == WAIT_OBJECT_0 + 1) return true;
    // Changing the event mask ends a pending WaitCommEvent, as documented. Wine needs it:
    // there the wait is a thread polling the line, which CancelIoEx never reaches, and only a
    // new mask ends it.
    SetCommMask(port, 0);
    abandonIo(port, overlapped, PURGE_RXABORT);
    return false;
}

// Reads what the driver has queued, chunk by chunk, and appends it to the burst. Returns the
// number of bytes read, or -1 when the stop event ended a read or the device has gone.
long readQueued(HANDLE port, OVERLAPPED& overlapped) {
    uint8_t* chunk = readerIo.bytes;
    long total = 0;
    for (;;) {
        DWORD errors = 0;
        COMSTAT status = {};
        if (!ClearCommError(port, &errors, &status)) return deviceGone(GetLastError()) ? -1 : total;
        if (status.cbInQue == 0) return total;
        const DWORD wanted = status.cbInQue < readChunk ? status.cbInQue : readChunk;
        ResetEvent(overlapped.hEvent);
        DWORD got = 0;
        // The bytes are queued already, so the read completes at once.
        const BOOL started = ReadFile(port, chunk, wanted, &got, &overlapped);
        if (!started && deviceGone(GetLastError())) return -1;
        if (!finishIo(started, port, overlapped, reader.stop, PURGE_RXABORT, got)) return -1;
        if (got == 0) return total;
        appendReceived(chunk, got);
        total += static_cast<long>(got);
    }
}

DWORD WINAPI readerMain(void* parameter) {
    HANDLE port = static_cast<HANDLE>(parameter);
    OVERLAPPED& overlapped = readerIo.overlapped;
    overlapped = {};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    if (overlapped.hEvent == nullptr) return 1;
    SetCommMask(port, EV_RXCHAR);
    modemLinesSeen = false;
    deviceAnswers(port);
    for (;;) {
        if (!waitForPortEvent(port, overlapped)) break;
        // The queue is looked at after every wait, whatever the mask says: a wait that ended
        // without EV_RXCHAR may still have data behind it.
        const long read = readQueued(port, overlapped);
        if (read < 0) break;
        // A wait that brought nothing may be the last word of a device that has gone.
        if (read == 0 && !deviceAnswers(port)) break;
        if (read == 0 && WaitForSingleObject(reader.stop, emptyWaitPauseMs) == WAIT_OBJECT_0) break;
    }
    CloseHandle(overlapped.hEvent);
    return 0;
}

// False when the thread could not be started; nothing of it is left then.
bool startWorker(Worker& worker, LPTHREAD_START_ROUTINE main) {
    worker.stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (worker.stop == nullptr) return false;
    // The port slot does not change while the threads run: a second open is refused and the
    // close comes only after the threads have stopped.
    worker.thread = CreateThread(nullptr, 0, main, toHandle(portHandle), 0, nullptr);
    if (worker.thread != nullptr) return true;
    CloseHandle(worker.stop);
    worker = Worker{};
    return false;
}

void stopWorker(Worker& worker) {
    if (worker.thread != nullptr) {
        SetEvent(worker.stop);
        WaitForSingleObject(worker.thread, INFINITE);
        CloseHandle(worker.thread);
    }
    if (worker.stop != nullptr) CloseHandle(worker.stop);
    worker = Worker{};
}

}  // namespace

int openPort(const char* path, int32_t baud, PortHandle& slot) {
    HANDLE port = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
    slot = reinterpret_cast<PortHandle>(port);
    openError = port == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    if (port == INVALID_HANDLE_VALUE) return -1;

    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port, &dcb)) return failOpen(slot, -2);
    applyLineSettings(dcb, baud);
    if (!SetCommState(port, &dcb)) return failOpen(slot, -3);

    COMMTIMEOUTS timeouts = {};
    timeouts.ReadIntervalTimeout = 200;
    timeouts.ReadTotalTimeoutMultiplier = 1;
    timeouts.ReadTotalTimeoutConstant = 100;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = 0;  // a write waits as long as the line needs
    if (!SetCommTimeouts(port, &timeouts)) return failOpen(slot, -4);

    SetupComm(port, 2000, 2000);
    PurgeComm(port, PURGE_TXCLEAR | PURGE_RXCLEAR);
    return 0;
}

int closePort(PortHandle handle) { return CloseHandle(toHandle(handle)); }

void startPortThreads() {
    InterlockedExchange(&deviceLost, 0);
    if (writerRunning != 1) {
        // Created before the thread, so a send asked for at once is not missed.
        writerWake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        writerRunning = writerWake != nullptr && startWorker(writer, writerMain) ? 1 : 0;
    }
    if (readerRunning != 1) readerRunning = startWorker(reader, readerMain) ? 1 : 0;
}

void stopPortThreads() {
    writerRunning = 0;
    stopWorker(writer);
    clearPendingSends();
    if (writerWake != nullptr) CloseHandle(writerWake);
    writerWake = nullptr;
    readerRunning = 0;
    stopWorker(reader);
}

void wakeWriter() {
    if (writerWake != nullptr) SetEvent(writerWake);
}

bool portLost() { return InterlockedCompareExchange(&deviceLost, 0, 0) != 0; }

// A port is opened for exclusive use, so a port another program has open is refused, with
// access denied by the serial drivers and a sharing violation by others. Windows does not
// say who holds a device, so the holder stays unnamed.
bool findPortHolder(const char*, PortHolder& holder) {
    holder.who[0] = '\0';
    holder.rule[0] = '\0';
    if (openError != ERROR_ACCESS_DENIED && openError != ERROR_SHARING_VIOLATION) return false;
    lstrcpynA(holder.who, "another program", sizeof holder.who);
    return true;
}

}  // namespace tarnwick
