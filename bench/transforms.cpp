// Position queries: the world matrix of an object N levels deep, composed up the tree on
// demand (what GetObjPosByObj, intersection tests, particle masks and flights ask for),
// with the local matrices cached and with every level moved before each query.
#include <benchmark/benchmark.h>

#include <vector>

#include "scene/object.h"

namespace {

std::vector<vK_Object*> Chain(int depth) {
    std::vector<vK_Object*> chain;
    vK_Object* parent = nullptr;
    for (int i = 0; i < depth; ++i) {
        vK_Object* object = vK_Object::CreateObject("obj", "level" + std::to_string(i));
        object->SetPosition(10.0f + i, 5.0f);
        object->SetAngle(0.1f);
        object->SetScale(1.01f, 0.99f);
        if (parent) parent->AddChild(object);
        parent = object;
        chain.push_back(object);
    }
    return chain;
}

void BM_WorldMatrixQuery(benchmark::State& state) {
    std::vector<vK_Object*> chain = Chain(static_cast<int>(state.range(0)));
    const bool moved = state.range(1) != 0;
    float x = 0;
    for (auto _ : state) {
        if (moved)
            for (vK_Object* object : chain) object->SetPosition(x, 5.0f);
        x += 0.5f;
        benchmark::DoNotOptimize(chain.back()->GetWorldMatrix());
    }
    vK_Object::ReleaseAll();
}
BENCHMARK(BM_WorldMatrixQuery)->ArgNames({"depth", "moved"})->Args({4, 0})->Args({16, 0})->Args({16, 1});

}  // namespace

BENCHMARK_MAIN();
