// Preloaded into the real viewer by the end-to-end tests (tests/e2e/) and the frame-rate
// script (bench/frame_rate.py): counts frames, answers the tests' requests to settle, and
// times each frame's point batch; unless built as the bare frame counter, it also records the
// last frame's vertices and transform and can inject or provoke OpenGL errors. It forwards
// every call to the real library.
//
// Environment:
//   GLSPY_REPORT=path    at exit, write "frames N", "seconds S" (first to last swap),
//                        "cpu_seconds C" (the process's CPU time, all threads, user and
//                        system, from the first swap to the last),
//                        "frame_ms F" (median time from one swap to the next),
//                        "batch_ms M" (median time from glBegin to the end of glEnd) and,
//                        in the full spy, "modelview" and "projection": the 16 elements,
//                        column by column in hex, of the matrices at the last glBegin
//   GLSPY_FRAMES=path    after every swap, "FRAMES SETTLED": the count of frames so far and
//                        the number of the last settle request that a frame was drawn after,
//                        so that tests can wait for either instead of sleeping
//
// A settle request is a ClientMessage sent to the viewer's window (type INTEGER, format 32,
// data: settleMagic, then the request's number). X delivers it after every input event that
// was generated before it was sent. When GLUT takes it from the queue, every earlier input has
// been handled; the spy then asks for a redisplay, and the next frame drawn settles it.
//   GLSPY_RSS=path       every 1000 frames, append "rss FRAME KIB SECONDS" (resident
//                        memory, read from /proc/self/statm) to this file
//   GLSPY_VERTICES=path  at exit, write the last frame's vertices as raw floats x, y, z
//   GLSPY_ERRORS=a,b,... codes returned, one per call, by the first glGetError calls; the
//                        report lists the frames in which each was returned

//   GLSPY_PROVOKE=1      the first glPointSize call asks for size -1, a real GL error
#include <GL/gl.h>
#include <GL/glut.h>
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr long settleMagic = 0x5350524c;  // "SPRL"

template <typename Function>
Function real(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// The latest durations only, in fixed memory: the spy must not grow with the frame count.
class Durations {
public:
    void add(Clock::duration duration)
    {
        seconds_[count_++ % seconds_.size()] = std::chrono::duration<double>(duration).count();
    }

    bool empty() const { return count_ == 0; }

    double medianMilliseconds()
    {
        std::vector<double> latest(seconds_.begin(),
                                   seconds_.begin() + std::min(count_, seconds_.size()));
        auto middle = latest.begin() + latest.size() / 2;
        std::nth_element(latest.begin(), middle, latest.end());
        return *middle * 1000.0;
    }

private:
    std::vector<double> seconds_ = std::vector<double>(4096);
    std::size_t count_ = 0;
};

// CPU time of the whole process, every thread, user and system, in seconds.
double processCpuSeconds()
{
    timespec time{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time);
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) * 1e-9;
}

struct Spy {
    long frames = 0;
    long settleRequest = 0;  // the last settle request taken from the event queue
    long settled = 0;        // the last one that a frame has been drawn after
    Display* display = nullptr;
    Clock::time_point firstSwap;
    Clock::time_point lastSwap;
    double firstSwapCpu = 0.0;
    double lastSwapCpu = 0.0;
    Clock::time_point batchStart;
    Durations frameTimes;
    Durations batchTimes;
    const char* rssPath = std::getenv("GLSPY_RSS");
    int framesFile = openFramesFile();

    static int openFramesFile()
    {
        const char* path = std::getenv("GLSPY_FRAMES");
        return path != nullptr ? open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
    }

    // Rewritten in place at a fixed width, so that a reader never sees a shorter number.
    void publishFrames() const
    {
        char text[48];
        const int length = std::snprintf(text, sizeof text, "%20ld %20ld\n", frames, settled);
        if (framesFile >= 0 && pwrite(framesFile, text, static_cast<std::size_t>(length), 0) < 0) {
            std::perror("glspy: GLSPY_FRAMES");
        }
    }

    void recordResidentMemory() const
    {
        long pages = 0;
        if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(statm, "%*s %ld", &pages) != 1) {
                pages = -1;
            }
            std::fclose(statm);
        }
        if (std::FILE* out = std::fopen(rssPath, "a")) {
            std::fprintf(out, "rss %ld %ld %.3f\n", frames, pages * sysconf(_SC_PAGESIZE) / 1024,
                         std::chrono::duration<double>(lastSwap - firstSwap).count());
            std::fclose(out);
        }
    }
#ifndef GLSPY_COUNT_ONLY
    std::vector<float> drawing;
    std::vector<float> drawn;
    float matrices[2][16] = {};  // model-view and projection at the last glBegin
    std::deque<GLenum> injected;
    std::string injectedFrames;
    bool provoke = false;

    Spy()
    {
        if (const char* codes = std::getenv("GLSPY_ERRORS")) {
            for (char* end = nullptr;; codes = end + 1) {
                injected.push_back(static_cast<GLenum>(std::strtoul(codes, &end, 0)));
                if (*end != ',') {
                    break;
                }
            }
        }
        provoke = std::getenv("GLSPY_PROVOKE") != nullptr;
    }
#endif

    ~Spy()
    {
        if (const char* path = std::getenv("GLSPY_REPORT")) {
            if (std::FILE* out = std::fopen(path, "w")) {
                std::fprintf(out, "frames %ld\nseconds %.6f\ncpu_seconds %.6f\n", frames,
                             std::chrono::duration<double>(lastSwap - firstSwap).count(),
                             lastSwapCpu - firstSwapCpu);
                if (!frameTimes.empty()) {
                    std::fprintf(out, "frame_ms %.6f\n", frameTimes.medianMilliseconds());
                }
                if (!batchTimes.empty()) {
                    std::fprintf(out, "batch_ms %.6f\n", batchTimes.medianMilliseconds());
                }
#ifndef GLSPY_COUNT_ONLY
                for (int which = 0; which < 2; ++which) {
                    std::fputs(which == 0 ? "modelview" : "projection", out);
                    for (const float element : matrices[which]) {
                        std::fprintf(out, " %a", static_cast<double>(element));
                    }
                    std::fputc('\n', out);
                }
                if (!injectedFrames.empty()) {
                    std::fprintf(out, "injected_frames%s\n", injectedFrames.c_str());
                }
#endif
                std::fclose(out);
            }
        }
#ifndef GLSPY_COUNT_ONLY
        if (const char* path = std::getenv("GLSPY_VERTICES")) {
            if (std::FILE* out = std::fopen(path, "wb")) {
                std::fwrite(drawn.data(), sizeof(float), drawn.size(), out);
                std::fclose(out);
            }
        }
#endif
    }
};

Spy spy;

}  // namespace

extern "C" {

void glutSwapBuffers()
{
    static const auto forward = real<void (*)()>("glutSwapBuffers");
    forward();
    const Clock::time_point now = Clock::now();
    const double cpu = processCpuSeconds();
    if (spy.frames++ == 0) {
        spy.firstSwap = now;
        spy.firstSwapCpu = cpu;
    } else {
        spy.frameTimes.add(now - spy.lastSwap);
    }
    spy.lastSwap = now;
    spy.lastSwapCpu = cpu;
    if (spy.settled != spy.settleRequest) {
        // The frame reaches the X server before the tests hear that it is drawn.
        static const auto sync = real<int (*)(Display*, Bool)>("XSync");
        sync(spy.display, False);
        spy.settled = spy.settleRequest;
    }
    spy.publishFrames();
    if (spy.rssPath != nullptr && spy.frames % 1000 == 0) {
        spy.recordResidentMemory();
    }
#ifndef GLSPY_COUNT_ONLY
    spy.drawn.swap(spy.drawing);
    spy.drawing.clear();
#endif
}

int XNextEvent(Display* display, XEvent* event)
{
    static const auto forward = real<int (*)(Display*, XEvent*)>("XNextEvent");
    const int result = forward(display, event);
    if (event->type == ClientMessage && event->xclient.format == 32 &&
        event->xclient.data.l[0] == settleMagic) {
        static const auto postRedisplay = real<void (*)()>("glutPostRedisplay");
        spy.display = display;
        spy.settleRequest = event->xclient.data.l[1];
        postRedisplay();
    }
    return result;
}

void glBegin(GLenum mode)
{
    static const auto forward = real<void (*)(GLenum)>("glBegin");
    spy.batchStart = Clock::now();
#ifndef GLSPY_COUNT_ONLY
    static const auto getFloats = real<void (*)(GLenum, GLfloat*)>("glGetFloatv");
    getFloats(GL_MODELVIEW_MATRIX, spy.matrices[0]);
    getFloats(GL_PROJECTION_MATRIX, spy.matrices[1]);
#endif
    forward(mode);
}

void glEnd()
{
    static const auto forward = real<void (*)()>("glEnd");
    forward();
    spy.batchTimes.add(Clock::now() - spy.batchStart);
}

#ifndef GLSPY_COUNT_ONLY
void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    static const auto forward = real<void (*)(GLfloat, GLfloat, GLfloat)>("glVertex3f");
    spy.drawing.insert(spy.drawing.end(), {x, y, z});
    forward(x, y, z);
}

void glPointSize(GLfloat size)
{
    static const auto forward = real<void (*)(GLfloat)>("glPointSize");
    forward(spy.provoke ? -1.0f : size);
    spy.provoke = false;
}

GLenum glGetError()
{
    static const auto forward = real<GLenum (*)()>("glGetError");
    if (!spy.injected.empty()) {
        const GLenum code = spy.injected.front();
        spy.injected.pop_front();
        spy.injectedFrames.append(" ").append(std::to_string(spy.frames));
        return code;
    }
    return forward();
}
#endif
}
