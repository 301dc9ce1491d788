// The list of logs: one item a log, showing how its conversion went and
// offering its document.

/// A progress bar appears for a log that takes longer than this.
const PROGRESS_DELAY_MS = 300;

const STATUS_WORDS = new Map([
  [0, 'converted'],
  [1, 'wrong number of arguments'],
  [2, 'log not opened'],
  [3, 'document not created'],
  [4, 'document not written'],
  [5, 'log not read'],
]);

const decoder = new TextDecoder();

export function describeStatus(status) {
  const words = STATUS_WORDS.get(status);
  return `Exit status ${status}${words === undefined ? '' : `: ${words}`}`;
}

/// "1 log", "2 logs".
export function count(number, noun) {
  return `${number.toLocaleString('en')} ${noun}${number === 1 ? '' : 's'}`;
}

export function formatSize(bytes) {
  if (bytes < 1000) return `${bytes} bytes`;
  const units = ['kB', 'MB', 'GB'];
  let value = bytes;
  let unit = -1;
  do {
    value /= 1000;
    ++unit;
  } while (value >= 1000 && unit < units.length - 1);
  return `${value.toFixed(value < 10 ? 2 : 1)} ${units[unit]}`;
}

function formatTime(milliseconds) {
  return milliseconds < 1000 ? `${Math.round(milliseconds)} ms`
    : `${(milliseconds / 1000).toFixed(2)} s`;
}

function element(name, properties = {}, ...children) {
  const made = Object.assign(document.createElement(name), properties);
  made.append(...children);
  return made;
}

/// One log's item in the list.
export class LogItem {
  constructor(list, path) {
    this.path = path;
    this.progress = element('progress', { max: 1, value: 0, hidden: true });
    this.progress.setAttribute('aria-label', `Converting ${path}`);
    this.state = element('p', { className: 'state', textContent: 'Waiting' });
    this.details = element('dl');
    this.item = element('li', { className: 'log' },
      element('h3', { textContent: path }), this.state, this.progress,
      this.details);
    list.append(this.item);
  }

  started() {
    this.state.textContent = 'Converting';
    this.timer = setTimeout(() => { this.progress.hidden = false; },
                            PROGRESS_DELAY_MS);
  }

  advanced(done, total) {
    this.progress.value = total > 0 ? done / total : 1;
  }

  /// Shows a finished run; link is the document's link or null.
  finished(result, link) {
    clearTimeout(this.timer);
    this.progress.remove();
    this.item.dataset.status = result.status;
    this.item.dataset.time = result.time;
    this.state.textContent = describeStatus(result.status);
    this.state.className = result.status === 0 ? 'state' : 'state failed';
    const row = (term, ...value) =>
      this.details.append(element('dt', { textContent: term }),
                          element('dd', {}, ...value));
    const stdout = decoder.decode(result.stdout);
    const stderr = decoder.decode(result.stderr);
    if (stdout !== '') {
      row('Output', element('samp', { className: 'stdout', textContent: stdout }));
    }
    if (stderr !== '') {
      row('Message', element('samp', { className: 'stderr', textContent: stderr }));
    }
    if (link !== null) {
      row('Track points', element('span', {
        className: 'points', textContent: result.points.toLocaleString('en') }));
      row('Document', link, ` ${formatSize(result.document.size)}`);
    }
    row('Time', formatTime(result.time));
    if (link !== null && result.points === 0) {
      this.item.append(element('p', {
        className: 'warning',
        textContent: 'No track point: this file does not look like a track ' +
          'log. Its document holds only the reference point.',
      }));
    }
  }

  /// A run that did not finish: the module or the browser failed.
  failed(message) {
    clearTimeout(this.timer);
    this.progress.remove();
    this.state.textContent = `Not converted: ${message}`;
    this.state.className = 'state failed';
  }

  note(text) {
    this.item.append(element('p', { className: 'note', textContent: text }));
  }
}
