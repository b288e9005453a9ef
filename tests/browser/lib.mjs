// Shared by the browser tests: starts the built server on a free port and a headless Chromium.
import { spawn } from 'node:child_process';
import { chromium } from 'playwright-core';

export const app = process.env.ZENTOR_APP;
export const wwwroot = process.env.ZENTOR_WWWROOT;

// Starts the server (port from ZENTOR_PORT, 0 = any free port) and resolves once it listens.
export function startServer(program = app) {
  if (!program || !wwwroot) throw new Error('ZENTOR_APP and ZENTOR_WWWROOT must be set');
  const port = process.env.ZENTOR_PORT || '0';
  const proc = spawn(program, ['--port', port, '--wwwroot', wwwroot], { stdio: ['ignore', 'pipe', 'pipe'] });
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

export function launchBrowser() {
  return chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  });
}

// The name of the form the page shows.
export function formName(page) {
  return page.getAttribute('#iwForm', 'data-form');
}
