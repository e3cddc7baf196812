#include "tune/least_squares.hpp"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <unsupported/Eigen/NonLinearOptimization>
#include <vector>

#include "platform/threads.hpp"

namespace quorvane::tune {

namespace {

struct Functor {
  const Residuals& f;
  const Eigen::VectorXd& step;
  int m;
  int* evaluations;
  int inputs() const { return static_cast<int>(step.size()); }
  int values() const { return m; }
  int operator()(const Eigen::VectorXd& x, Eigen::VectorXd& fvec) const {
    fvec = f(x);
    ++*evaluations;
    return 0;
  }
  // The columns side by side on the machine's cores: each is two
  // evaluations at its own points, so the Jacobian is the same bytes
  // whichever thread takes a column.
  int df(const Eigen::VectorXd& x, Eigen::MatrixXd& fjac) const {
    const std::size_t n = static_cast<std::size_t>(x.size());
    std::atomic<std::size_t> next{0};
    std::exception_ptr failure;
    std::mutex failure_lock;
    auto work = [&] {
      for (std::size_t j = next++; j < n; j = next++) {
        try {
          Eigen::VectorXd a = x, b = x;
          a[j] = x[j] + step[j];
          b[j] = x[j] - step[j];
          fjac.col(static_cast<Eigen::Index>(j)) = (f(a) - f(b)) / (2 * step[j]);
        } catch (...) {
          const std::lock_guard<std::mutex> hold(failure_lock);
          if (!failure) failure = std::current_exception();
        }
      }
    };
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t workers = std::min(cores, n);
    std::vector<std::thread> pool = platform::start_threads(workers > 1 ? workers - 1 : 0, work);
    work();
    for (std::thread& t : pool) t.join();
    if (failure) std::rethrow_exception(failure);
    *evaluations += 2 * static_cast<int>(n);
    return 0;
  }
};

}  // namespace

LeastSquares least_squares(const Residuals& f, int m, Eigen::VectorXd x, const Eigen::VectorXd& step, int max_steps,
                           const std::function<void(const Eigen::VectorXd&)>& each, double first_bound) {
  LeastSquares out;
  Functor functor{f, step, m, &out.evaluations};
  Eigen::LevenbergMarquardt<Functor, double> lm(functor);
  lm.parameters.ftol = 1e-8;
  lm.parameters.xtol = 1e-8;
  lm.parameters.factor = first_bound;
  lm.parameters.maxfev = 1000000;  // the steps bound the run
  Eigen::LevenbergMarquardtSpace::Status status = lm.minimizeInit(x);
  while (status != Eigen::LevenbergMarquardtSpace::ImproperInputParameters && out.steps < max_steps) {
    status = lm.minimizeOneStep(x);
    ++out.steps;
    if (each) each(x);
    if (status != Eigen::LevenbergMarquardtSpace::Running) break;
  }
  out.x = x;
  out.residuals = f(x);
  out.jacobian.resize(m, x.size());
  functor.df(x, out.jacobian);
  return out;
}

}  // namespace quorvane::tune
