# make run   set up, build, and start the program under Wine
# make test  set up, build, and run every test (native and Windows)
BUILD  := build
NATIVE := $(BUILD)/native
WIN32  := $(BUILD)/win32

.PHONY: all setup native win32 test run bench clean
all: win32

setup:
	bash tools/setup.sh

native: setup
	cmake -S . -B $(NATIVE) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -Wno-dev >/dev/null
	cmake --build $(NATIVE)

win32: native
	cmake -S . -B $(WIN32) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DHOST_TOOLS_DIR=$(abspath $(NATIVE)) -Wno-dev >/dev/null
	cmake --build $(WIN32)

# The Windows tests need a kernel that runs 32-bit programs (Wine's 32-bit
# loader); on one that does not, they are built but not run, and it says so.
test: win32
	ctest --test-dir $(NATIVE) --output-on-failure
	@if sh tools/windows-tests-possible.sh; then \
	  ctest --test-dir $(WIN32) --output-on-failure; \
	else \
	  echo "make test: WINDOWS TESTS NOT RUN: built only (see above)"; \
	fi

run: win32
	bash tools/run-app.sh $(WIN32)

# Speed figures come from an optimised build without sanitizers; the
# directory deletion is timed under Wine against the shell's own rmdir, and
# the upgrader's start-up and a whole upgrade against a bare Win32 window and
# the archiver alone, on E: and on the test stick.
bench: win32
	cmake -S . -B $(BUILD)/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DSANITIZE=OFF \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -Wno-dev >/dev/null
	cmake --build $(BUILD)/bench --target benchmarks
	cmake --build $(BUILD)/bench --target run_benchmarks
	cmake --build $(WIN32) --target delete_bench
	sh tools/wine-bench.sh $(WIN32) $(WIN32)/tests/commands/delete_bench.exe
	cmake --build $(WIN32) --target app_benchmarks
	bash tools/bench-app.sh $(WIN32)
	bash tools/bench-stick.sh $(WIN32) $(NATIVE)

clean:
	rm -rf $(NATIVE) $(WIN32)
