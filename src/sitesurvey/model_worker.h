#pragma once
// Fitting the access points and sampling their fields takes long enough with many
// points to stall a window; this worker does it on its own thread. The newest job
// replaces any that has not started, and the window takes the result when told.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "sitesurvey/site_model.h"

namespace sitesurvey {

struct FittedSurvey {
    uint64_t generation = 0;  // of the points it was made from
    std::shared_ptr<const SiteModel> model;
    std::shared_ptr<const FieldGrids> fields;
    LayerRequest request;  // the layer its error is for
    std::optional<double> looRmse;
};

class ModelWorker {
public:
    // ready runs on the worker's thread after each result; it should only wake the owner.
    explicit ModelWorker(std::function<void()> ready);
    ~ModelWorker();
    ModelWorker(const ModelWorker&) = delete;
    ModelWorker& operator=(const ModelWorker&) = delete;

    // A new fit of the places, sampled on the layout, with the request's error.
    void Fit(uint64_t generation, std::vector<MeasuredPlace> places, GridLayout layout, LayerRequest request);
    // Another layer's error over a fit already made, which is kept as it is.
    void Error(const FittedSurvey& fitted, LayerRequest request);
    // The latest result, once.
    std::optional<FittedSurvey> Take();

private:
    struct Job {
        uint64_t generation = 0;
        std::vector<MeasuredPlace> places;
        GridLayout layout;
        LayerRequest request;
        std::shared_ptr<const SiteModel> model;  // set: only the error is wanted
        std::shared_ptr<const FieldGrids> fields;
    };
    void Run();

    std::function<void()> ready_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Job> job_;
    std::optional<FittedSurvey> result_;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace sitesurvey
