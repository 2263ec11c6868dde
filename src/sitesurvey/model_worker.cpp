#include "sitesurvey/model_worker.h"

namespace sitesurvey {

ModelWorker::ModelWorker(std::function<void()> ready) : ready_(std::move(ready)), thread_([this] { Run(); }) {}

ModelWorker::~ModelWorker() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void ModelWorker::Fit(uint64_t generation, std::vector<MeasuredPlace> places, GridLayout layout,
                      LayerRequest request) {
    {
        std::lock_guard lock(mutex_);
        job_ = Job{generation, std::move(places), layout, std::move(request), nullptr, nullptr};
    }
    wake_.notify_all();
}

void ModelWorker::Error(const FittedSurvey& fitted, LayerRequest request) {
    {
        std::lock_guard lock(mutex_);
        // A fit still to come brings its own error for the newest request.
        if (job_ && !job_->model) {
            job_->request = std::move(request);
            return;
        }
        job_ = Job{fitted.generation, {}, {}, std::move(request), fitted.model, fitted.fields};
    }
    wake_.notify_all();
}

std::optional<FittedSurvey> ModelWorker::Take() {
    std::lock_guard lock(mutex_);
    return std::exchange(result_, std::nullopt);
}

void ModelWorker::Run() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || job_.has_value(); });
            if (stop_) return;
            job = std::move(*job_);
            job_.reset();
        }
        FittedSurvey out;
        out.generation = job.generation;
        out.request = job.request;
        if (job.model) {
            out.model = std::move(job.model);
            out.fields = std::move(job.fields);
        } else {
            auto model = std::make_shared<SiteModel>(std::move(job.places));
            out.fields = std::make_shared<FieldGrids>(SampleFields(*model, job.layout));
            out.model = std::move(model);
        }
        out.looRmse = out.model->LeaveOneOutRmse(job.request.layer, job.request.target, job.request.countThreshold);
        {
            std::lock_guard lock(mutex_);
            result_ = std::move(out);
        }
        if (ready_) ready_();
    }
}

}  // namespace sitesurvey
