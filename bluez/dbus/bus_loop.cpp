#include "bluez/dbus/bus_loop.h"

#include <gio/gio.h>

namespace bluez {
namespace {

struct Work {
    std::function<void()> run;
};

gboolean RunWork(gpointer data) {
    static_cast<Work*>(data)->run();
    return G_SOURCE_REMOVE;
}

void FreeWork(gpointer data) { delete static_cast<Work*>(data); }

}  // namespace

BusLoop::BusLoop() : context_(g_main_context_new()), loop_(g_main_loop_new(context_, FALSE)) {
    thread_ = std::thread([this] {
        g_main_context_push_thread_default(context_);
        g_main_loop_run(loop_);
        // What was queued before the stop still runs: it may release GLib objects.
        while (g_main_context_iteration(context_, FALSE)) {}
        g_main_context_pop_thread_default(context_);
    });
}

BusLoop::~BusLoop() {
    Stop();
    g_main_loop_unref(loop_);
    g_main_context_unref(context_);
}

void BusLoop::Stop() {
    if (stopped_) return;
    stopped_ = true;
    Post([this] { g_main_loop_quit(loop_); });
    thread_.join();
}

void BusLoop::Post(std::function<void()> work) {
    GSource* source = g_idle_source_new();
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    g_source_set_callback(source, RunWork, new Work{std::move(work)}, FreeWork);
    g_source_attach(source, context_);
    g_source_unref(source);
}

void BusLoop::PostDelayed(unsigned delayMs, std::function<void()> work) {
    GSource* source = g_timeout_source_new(delayMs);
    g_source_set_callback(source, RunWork, new Work{std::move(work)}, FreeWork);
    g_source_attach(source, context_);
    g_source_unref(source);
}

bool BusLoop::OnLoopThread() const { return g_main_context_is_owner(context_) != FALSE; }

}  // namespace bluez
