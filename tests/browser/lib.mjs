// Shared by the browser tests: starts the built server on a free port and a headless Chromium.
import { spawn } from 'node:child_process';
import { chromium } from 'playwright-core';

export const app = process.env.ZENTOR_APP;
export const wwwroot = process.env.ZENTOR_WWWROOT;

// Starts the server (port from ZENTOR_PORT, 0 = any free port) and resolves once it listens.
export function startServer(program = app, extraArgs = []) {
  if (!program || !wwwroot) throw new Error('ZENTOR_APP and ZENTOR_WWWROOT must be set');
  const port = process.env.ZENTOR_PORT || '0';
  const proc = spawn(program, ['--port', port, '--wwwroot', wwwroot, ...extraArgs], { stdio: ['ignore', 'pipe', 'pipe'] });
  let log = '';
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => { proc.kill('SIGKILL'); reject(new Error('server did not start:\n' + log)); }, 30000);
    const onData = (chunk) => {
      log += chunk;
      const m = /running at (http:\/\/127\.0\.0\.1:\d+\/)/.exec(log);
      if (m) {
        clearTimeout(timer);
        resolve({
          url: m[1],
          log: () => log,
          stop: () => new Promise((done) => {
            if (proc.exitCode !== null) return done(proc.exitCode);
            proc.once('exit', (code) => done(code));
            proc.kill('SIGTERM');
          }),
        });
      }
    };
    proc.stdout.on('data', onData);
    proc.stderr.on('data', (c) => { log += c; });
    proc.once('exit', (code) => { clearTimeout(timer); reject(new Error(`server exited (${code}):\n${log}`)); });
  });
}

// Waits for a page event. The server under test runs with the sanitizers, often beside other test
// processes, so the browser's 30 s default is too short to tell a slow machine from a fault.
export const EVENT_TIMEOUT_MS = 120000;

export async function launchBrowser() {
  const browser = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  });
  const newContext = browser.newContext.bind(browser);
  browser.newContext = async (...args) => {
    const context = await newContext(...args);
    context.setDefaultTimeout(EVENT_TIMEOUT_MS);
    context.setDefaultNavigationTimeout(EVENT_TIMEOUT_MS);
    return context;
  };
  // A page made straight from the browser gets a context of its own, made without the wrapper.
  const newPage = browser.newPage.bind(browser);
  browser.newPage = async (...args) => {
    const page = await newPage(...args);
    page.setDefaultTimeout(EVENT_TIMEOUT_MS);
    page.setDefaultNavigationTimeout(EVENT_TIMEOUT_MS);
    return page;
  };
  return browser;
}

// The name of the form the page shows.
export function formName(page) {
  return page.getAttribute('#iwForm', 'data-form');
}
