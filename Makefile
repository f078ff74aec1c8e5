# Thin wrapper over CMake. Each configuration builds in its own folder.
JOBS ?= $(shell nproc)
CMAKE ?= cmake

.PHONY: all deps run test bench fuzz lint format docs clean windows test-windows

all: run

deps:
	@scripts/setup-deps

# Builds the engine and runs the demo game (headless, with a screenshot, when there is no display).
run: deps
	$(CMAKE) -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVRAKKO_TESTS=OFF
	$(CMAKE) --build build/release -j $(JOBS)
	scripts/run-demo build/release

# The test suite under AddressSanitizer and UndefinedBehaviorSanitizer.
test: deps
	$(CMAKE) -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DVRAKKO_SANITIZE=ON
	$(CMAKE) --build build/asan -j $(JOBS)
	cd build/asan && ctest --output-on-failure -j $(JOBS)

# The author's reference, docs/reference/{functions,objects,messages,config}.md, generated
# from the registrations in the code; tests/app/tools/reference_test.cpp fails when it is stale.
docs: deps
	$(CMAKE) -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DVRAKKO_SANITIZE=ON
	$(CMAKE) --build build/asan -j $(JOBS) --target vrakko
	root=$$(mktemp -d) && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy build/asan/vrakko --api --markdown docs/reference --root "$$root"; status=$$?; rm -rf "$$root"; exit $$status

bench: deps
	$(CMAKE) -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DVRAKKO_TESTS=OFF -DVRAKKO_BENCH=ON
	$(CMAKE) --build build/bench -j $(JOBS)
	scripts/run-benchmarks build/bench

# The 64-bit Windows build (MinGW-w64), its tools, the demo and build/windows/vrakko-windows-x64.zip.
windows:
	JOBS=$(JOBS) scripts/build-windows

# The Windows build's tests under Wine: the unit-test programs, the demo's play-through and
# the saves shared with the Linux build.
test-windows:
	JOBS=$(JOBS) scripts/build-windows --tests
	JOBS=$(JOBS) scripts/test-windows

# Every fuzz target for FUZZ_SECONDS each.
FUZZ_SECONDS ?= 30
fuzz: deps
	CC=clang CXX=clang++ $(CMAKE) -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVRAKKO_TESTS=OFF -DVRAKKO_FUZZ=ON
	$(CMAKE) --build build/fuzz -j $(JOBS)
	scripts/run-fuzzers build/fuzz $(FUZZ_SECONDS)

# clang-tidy over src/ (.clang-tidy): any finding (bug-prone checks, member naming) fails
# the target; they are listed in build/lint/findings.txt.
lint: deps
	$(CMAKE) -S . -B build/lint -DCMAKE_BUILD_TYPE=Debug -DVRAKKO_TESTS=OFF -DCCACHE_PROGRAM=CCACHE_PROGRAM-NOTFOUND >/dev/null
	scripts/run-lint build/lint $(JOBS)

format:
	find src tests bench fuzz tools -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build
