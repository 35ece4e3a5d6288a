# Entry points over the CMake builds. Build trees live in build/ (never committed):
#   build/native  Linux, with AddressSanitizer and UndefinedBehaviorSanitizer (unit tests, command line)
#   build/win     Windows x86_64 with mingw-w64, Release, statically linked (run under Wine)
#   build/tsan    Linux with ThreadSanitizer, only the tests of threaded code (`make tsan`, made by `make test`)
#   build/bench   Linux Release with the benchmarks
#   build/fuzz    clang with libFuzzer
#   build/release Linux Release without tests: the command line that `make install` and `make deb` ship
# Dependencies come from Debian (scripts/bootstrap); the cross-built Windows libraries are cached in
# $(QV_CACHE)/win64.

JOBS ?= 2
QV_CACHE ?= $(HOME)/.cache/quorvix
export QV_CACHE
FUZZ_SECONDS ?= 60

NATIVE_DIR := build/native
WIN_DIR := build/win
TSAN_DIR := build/tsan
BENCH_DIR := build/bench
FUZZ_DIR := build/fuzz
RELEASE_DIR := build/release
DIST_DIR := dist
PREFIX ?= /usr/local
DESTDIR ?=
# Every file `make install` puts in place from this tree, with its DESTDIR, one a line: outside build/,
# so that `make clean` keeps it, and added to by each install, so that `make uninstall` removes them all.
INSTALL_RECORD ?= $(CURDIR)/installed-files.txt
CLI := $(NATIVE_DIR)/quorvix

# How each build tree is configured; every target that builds in a tree uses these.
CONFIGURE_NATIVE = cmake -S . -B $(NATIVE_DIR) -DQV_SANITIZE=ON
CONFIGURE_WIN = cmake -S . -B $(WIN_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DQV_WIN_DEPS=$(QV_CACHE)/win64

.PHONY: all build test bench fuzz mutants run clean bootstrap native win tsan check-fresh release install install-files uninstall dist deb

all: build

bootstrap:
	@scripts/bootstrap

native:
	$(CONFIGURE_NATIVE)
	cmake --build $(NATIVE_DIR) -j$(JOBS)

win:
	$(CONFIGURE_WIN)
	cmake --build $(WIN_DIR) -j$(JOBS)

tsan:
	cmake -S . -B $(TSAN_DIR) -DQV_TSAN=ON
	cmake --build $(TSAN_DIR) -j$(JOBS) --target quorvix_thread_tests

# -k: a broken file in one build still lets everything else in both builds compile.
build: bootstrap
	@$(MAKE) --no-print-directory -k native win

# scripts/run-tests: builds build/native, build/tsan and build/win in turn and runs each tree's tests with
# ctest (-j$(JOBS)); a tree that does not build counts as a failure and its tests run all the same. Ends
# with "N passed, M failed". One stage: ctest --test-dir build/win -L gui (see cmake/Testing.cmake).
test: bootstrap
	@QV_JOBS=$(JOBS) scripts/run-tests

bench:
	@scripts/bootstrap bench
	cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release -DQV_BENCH=ON -DQV_TESTS=OFF
	cmake --build $(BENCH_DIR) -j$(JOBS) --target quorvix_bench quorvix
	bench/run-bench

# Runs every libFuzzer program of build/fuzz/tests/fuzz for FUZZ_SECONDS, starting from the checked-in
# corpus tests/fuzz/corpus/TARGET and dictionary tests/fuzz/TARGET.dict if present (a program is named
# TARGET or TARGET_fuzzer). New inputs go to build/fuzz/corpus/TARGET, crashes to
# build/fuzz/artifacts/TARGET/.
fuzz:
	@scripts/bootstrap fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DQV_FUZZ=ON -DQV_TESTS=OFF
	cmake --build $(FUZZ_DIR) -j$(JOBS)
	@status=0; found=0; \
	for f in $$(find $(FUZZ_DIR)/tests/fuzz -maxdepth 1 -type f -perm -u+x ! -name '*_replay' | sort); do \
	  found=1; t=$$(basename $$f); t=$${t%_fuzzer}; \
	  mkdir -p $(FUZZ_DIR)/corpus/$$t $(FUZZ_DIR)/artifacts/$$t; \
	  start=; [ -d tests/fuzz/corpus/$$t ] && start=tests/fuzz/corpus/$$t; \
	  dict=; [ -f tests/fuzz/$$t.dict ] && dict=-dict=tests/fuzz/$$t.dict; \
	  echo "== fuzzing $$t for $(FUZZ_SECONDS) s"; \
	  $$f -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 $$dict \
	    -artifact_prefix=$(FUZZ_DIR)/artifacts/$$t/ $(FUZZ_DIR)/corpus/$$t $$start \
	    || { status=1; echo "== $$t: failure, see $(FUZZ_DIR)/artifacts/$$t/"; }; \
	done; \
	[ $$found = 1 ] || echo "fuzz: no fuzz targets built yet"; \
	exit $$status

# Builds Quorvix.exe and starts it under Wine on the current X display with a fresh copy of six sample
# photos as its input folder (scripts/run-gui; the Wine prefix persists under $(QV_CACHE)/run). Without a
# display, says so and converts three sample photos into ./out with the command line instead.
run: bootstrap
	$(CONFIGURE_WIN)
	cmake --build $(WIN_DIR) -j$(JOBS) --target Quorvix quorvix_help
	@if [ -n "$$DISPLAY" ]; then \
	  scripts/run-gui $(WIN_DIR)/Quorvix.exe; \
	else \
	  echo "run: no X display (DISPLAY is not set), so Quorvix.exe cannot be shown; running the command-line demo"; \
	  $(CONFIGURE_NATIVE) && \
	  cmake --build $(NATIVE_DIR) -j$(JOBS) --target quorvix && \
	  mkdir -p out && $(CLI) -o out tests/data/s005.jpg tests/data/s006.jpg tests/data/s007.jpg; \
	fi

# The README's set-up on a fresh Debian 12 root (debootstrap, chroot with /proc, /sys, /dev and /tmp on a
# tmpfs, in a private mount namespace where one can be made), with no locale set: `make test` and
# `make run` from a clean clone of HEAD. Needs root; not part of `make test`.
check-fresh:
	@scripts/check-fresh

# Plants each mistake of tests/mutants/mutants.txt in turn and expects the tests to fail (not part of
# `make test`: it builds once per mistake).
mutants: bootstrap
	@QV_JOBS=$(JOBS) tests/mutants/run

# The command line without sanitizers or tests, for installing.
release:
	cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release -DQV_TESTS=OFF
	cmake --build $(RELEASE_DIR) -j$(JOBS) --target quorvix

# $(DESTDIR)$(PREFIX)/bin/quorvix, share/man/man1/quorvix.1, share/bash-completion/completions/quorvix;
# recorded in $(INSTALL_RECORD).
install: release
	@$(MAKE) --no-print-directory install-files

# Installs from $(RELEASE_DIR) as it is built, and adds the installed files with DESTDIR (made absolute)
# to $(INSTALL_RECORD), each once (CMake's install_manifest.txt leaves DESTDIR out, lists only the last
# install, and `make deb` overwrites it).
install-files:
	DESTDIR="$(DESTDIR)" cmake --install $(RELEASE_DIR) --prefix "$(PREFIX)"
	@d="$(DESTDIR)"; case $$d in ""|/*) ;; *) d="$(CURDIR)/$$d" ;; esac; \
	{ if [ -f "$(INSTALL_RECORD)" ]; then cat "$(INSTALL_RECORD)"; fi; \
	  awk -v d="$${d%/}" '{ print d $$0 }' $(RELEASE_DIR)/install_manifest.txt; } | \
	  awk '!seen[$$0]++' >"$(INSTALL_RECORD).new" && mv -f "$(INSTALL_RECORD).new" "$(INSTALL_RECORD)"

# Removes every file that `make install` put in place from this tree, whatever DESTDIR and PREFIX each
# install used. The record goes only when all of them are gone.
uninstall:
	@[ -f "$(INSTALL_RECORD)" ] || { echo "uninstall: $(INSTALL_RECORD) missing: nothing installed from here"; exit 1; }
	xargs -r -d '\n' rm -fv <"$(INSTALL_RECORD)"
	rm -f "$(INSTALL_RECORD)"

# dist/Quorvix-VERSION-win64.zip, dist/Quorvix-VERSION-setup.exe and dist/quorvix-VERSION.tar.gz
# (scripts/make-dist) from the Windows build.
dist: bootstrap
	$(CONFIGURE_WIN)
	cmake --build $(WIN_DIR) -j$(JOBS) --target Quorvix quorvix quorvix_help
	scripts/make-dist $(WIN_DIR) $(DIST_DIR)

# dist/quorvix_VERSION_ARCH.deb of the release build (CPack; dependencies from dpkg-shlibdeps).
deb: release
	mkdir -p $(DIST_DIR)
	cd $(RELEASE_DIR) && cpack -G DEB -B $(abspath $(DIST_DIR))/deb
	mv $(DIST_DIR)/deb/*.deb $(DIST_DIR)/ && rm -rf $(DIST_DIR)/deb

clean:
	rm -rf build out $(DIST_DIR)
