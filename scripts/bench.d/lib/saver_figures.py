#!/usr/bin/env python3
"""The saver benchmark's figures (scripts/bench.d/saver) from the logs of
its runs: the start-up cut into its steps and the working set after each
(median of the starts), the frame rate with parts of the picture left out,
CPU by process and thread, memory, the module's size.
    saver_figures.py WORK_DIR STARTS CLOCK_TICKS MODULE LOAD"""
import os
import statistics
import sys

work, starts, ticks, module, load = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], sys.argv[5]

def figure(name, value, unit, goal=""):
    print(f"{name}\t{value}\t{unit}\t{goal}")

def timeline(path):
    events, launch, created = [], None, None
    for line in open(path):
        parts = line.split()
        if parts[:1] == ["launch-unix-ns"]:
            launch = int(parts[1]) / 1e6
        elif parts[:2] == ["timeline", "process-created-unix-ms"]:
            created = float(parts[2])
        elif parts[:1] == ["timeline"] and parts[1][0].isdigit():
            events.append((float(parts[1]), " ".join(parts[2:])))
    return launch, created, events

def first(events, test, after=0.0):
    return next((t for t, e in events if t >= after and test(e)), None)

def steps(path):
    launch, created, events = timeline(path)
    at = lambda text, after=0.0: first(events, lambda e: e.startswith(text), after)
    d3d = at("Direct3DCreate9")
    loaded = at("platform d3d9.dll loaded")
    made = at("platform Direct3D object created")
    device = at("CreateDevice ends")
    sky = at("CreateTexture 512x512")
    flare = first(events, lambda e: e.startswith("CreateTexture") and not e.startswith("CreateTexture 512x512"), sky)
    declaration = at("CreateVertexDeclaration")
    cube = at("CreateCubeTexture")
    shaders = at("CreatePixelShader ends")
    heights = at("CreateTexture 256x256 format 50")
    grid = at("CreateVertexBuffer", heights)
    noise = max(t for t, e in events if e.startswith("CreateTexture 32x32"))
    frame = at("first frame begins")
    present = at("first Present ends")
    visible = at("second Present ends")
    result = {
        "launch until the process exists (wine)": created - launch,
        "process start until Direct3DCreate9 (Wine start-up, settings, windows)": d3d,
        "Direct3DCreate9: loading the platform's d3d9.dll": loaded - d3d,
        "Direct3DCreate9: the platform's Direct3D object (wined3d, OpenGL)": made - loaded,
        "caps and device creation": device - made,
        "sky faces (five 512 x 512 JPEG)": flare - device,
        "sun flare sprites": declaration - flare,
        "cube map until its texture is made": cube - declaration,
        "cube map upload and both shaders compiled": shaders - cube,
        "Fresnel ramp": heights - shaders,
        "30 heightmap frames (load, tables, normal maps)": grid - heights,
        "sea and overlay buffers, banner and noise textures": noise - grid,
        "end of set-up to the first frame (the 30 ms pacing)": frame - noise,
        "first frame drawn and presented": present - frame,
        "total: process start to the first Present": present,
        "total: process start to the first visible picture (the second Present, the first under the fade)":
            visible if visible is not None else float("nan"),
        "total: launch to the first Present": present + created - launch,
        "of which our own asset work (sky faces to noise textures)": noise - device,
    }
    return result

runs = [steps(os.path.join(work, f"start-{run}.log")) for run in range(1, starts + 1)]
for name in runs[0]:
    goal = {"total: launch to the first Present": "< 450",
            "of which our own asset work (sky faces to noise textures)": "< 200"}.get(name, "")
    figure(f"start-up: {name} (median of {starts})", f"{statistics.median(r[name] for r in runs):.1f}", "ms", goal)

# Where the memory goes: the working set the stand-in read at each step.
def working_sets(path):
    _, _, events = timeline(path)
    marks = {}
    for _, event in events:
        if ", working set " in event:
            step, _, value = event.partition(", working set ")
            marks.setdefault(step, float(value.split()[0]))
    return marks

memory_steps = [
    ("Direct3DCreate9", "before Direct3D (Wine, the module and its art mapped)"),
    ("platform Direct3D object created", "with the platform's Direct3D object (wined3d, OpenGL, Mesa, LLVM)"),
    ("CreateDevice ends", "with the device (back buffer, depth buffer)"),
    ("first frame begins", "after our set-up (the scene's textures, buffers, shaders)"),
    ("first Present ends", "after the first frame (mostly Mesa's work on Wine's Direct3D worker, whose heap keeps the memory)"),
]
sets = [working_sets(os.path.join(work, f"start-{run}.log")) for run in range(1, starts + 1)]
for step, label in memory_steps:
    values = [s[step] for s in sets if step in s]
    if values:
        figure(f"working set {label} (median of {len(values)})", f"{statistics.median(values):.1f}", "MiB", "")

def frame_reports(path):
    """The stand-in's once-a-second lines: (time, frames, working set in MiB)."""
    if not os.path.exists(path):
        return []
    return [(float(p[4]), int(p[2]), float(p[7])) for p in (line.split() for line in open(path))
            if p[:2] == ["timeline", "frames"] and len(p) > 7]

def frame_rate(reports):
    if len(reports) < 2:
        return None
    (t0, f0, _), (t1, f1, _) = reports[0], reports[-1]
    return (f1 - f0) * 1000.0 / (t1 - t0)

_, created, _ = timeline(os.path.join(work, "frames.log"))
reports = frame_reports(os.path.join(work, "frames.log"))
samples, thread_samples = [], []
for line in open(os.path.join(work, "frames.log")):
    parts = line.split()
    if parts[:1] == ["sample"]:
        memory = {key.rstrip(":"): value for key, value in (item.split("=") for item in parts[4:])}
        samples.append((int(parts[1]) / 1e6 - created, int(parts[2]), int(parts[3]), memory))
    elif parts[:1] == ["threads"]:
        by_name = {}
        for item in parts[2:]:
            name, _, value = item.rpartition("=")
            if name and value.isdigit():
                by_name[name] = by_name.get(name, 0) + int(value)
        thread_samples.append((int(parts[1]) / 1e6 - created, by_name))
if len(reports) >= 2:
    t0, t1 = reports[0][0], reports[-1][0]
    fps = frame_rate(reports)
    per_second = [(b[1] - a[1]) * 1000.0 / (b[0] - a[0]) for a, b in zip(reports, reports[1:])]
    figure(f"frames per second over {(t1 - t0) / 1000:.0f} s (the 30 ms pacing allows 33.3)", f"{fps:.1f}", "fps", ">= 30")
    figure("slowest second", f"{min(per_second):.1f}", "fps", ">= 25")
    figure("mean time per frame", f"{1000.0 / fps:.1f}", "ms", "<= 30")
    runs = [("no-sea", "without the sea"),
            ("sea-alone", "the sea alone (sky, flare, banner and fade dropped at the device)"),
            ("no-detail", "without the sea's 25 detailed tiles (dropped at the device)")]
    for name, label in runs:
        rate = frame_rate(frame_reports(os.path.join(work, name + ".log")))
        if rate:
            figure(f"frames per second {label}", f"{rate:.1f}", "fps", "")
    lean = frame_reports(os.path.join(work, "no-detail.log"))
    lean_fps = frame_rate(lean)
    if lean_fps:
        figure("share of the frame spent on the detailed tiles (at least: the pacing holds the run without them)",
               f"{(1 - fps / lean_fps) * 100:.0f}", "%", "")
        figure("peak working set without the sea's detailed tiles (Mesa keeps less binned geometry)",
               f"{max(r[2] for r in lean):.1f}", "MiB", "")
    window = [s for s in samples if t0 <= s[0] <= t1]
    if len(window) >= 2:
        a, b = window[0], window[-1]
        wall = (b[0] - a[0]) / 1000.0
        figure("CPU of the saver's process (all threads, Mesa's included; 200% = both cores)",
               f"{(b[1] - a[1]) / ticks / wall * 100:.0f}", "%", "")
        figure("CPU of the X server (Xvfb) meanwhile", f"{(b[2] - a[2]) / ticks / wall * 100:.0f}", "%", "")
    threads = [t for t in thread_samples if t0 <= t[0] <= t1]
    if len(threads) >= 2:
        (ta, first), (tb, last) = threads[0], threads[-1]
        wall = (tb - ta) / 1000.0
        share = lambda test: sum(v - first.get(k, 0) for k, v in last.items() if test(k)) / ticks / wall * 100
        figure("of it: the program's thread (frame, Direct3D calls, waits for the worker)",
               f"{share(lambda k: k.startswith('BrinemereDuzo')):.0f}", "%", "")
        figure("of it: Wine's Direct3D worker (OpenGL calls, vertex shading, triangle set-up)",
               f"{share(lambda k: k == 'wined3d_cs'):.0f}", "%", "")
        figure("of it: Mesa's rasteriser threads (pixels)", f"{share(lambda k: k.startswith('llvmpipe')):.0f}", "%", "")
if samples:
    last = samples[-1][3]
    peak = max(int(s[3].get("VmHWM", 0)) for s in samples)
    figure("peak resident memory of the saver's process (VmHWM; Wine's peak working set)", f"{peak / 1024:.1f}", "MiB", "< 150")
    figure("of the last sample: anonymous memory (heaps, textures, Mesa's buffers)", f"{int(last.get('RssAnon', 0)) / 1024:.1f}", "MiB", "")
    figure("of the last sample: mapped files (Wine's DLLs, Mesa, LLVM)", f"{int(last.get('RssFile', 0)) / 1024:.1f}", "MiB", "")
figure("machine load average (1 min) at the end of the frame-rate run; 2 cores, shared", load, "", "")
figure("module size", f"{os.path.getsize(module) / 1024:.0f}", "KiB", "< 4096")
